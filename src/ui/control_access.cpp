#include "ui/control_access.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace brisa::ui {
namespace {

using res::ControlKind;

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::PushButton:
      return "push button";
    case ControlKind::DefPushButton:
      return "default push button";
    case ControlKind::CheckBox:
      return "check box";
    case ControlKind::GroupBox:
      return "group box";
    case ControlKind::Label:
      return "label";
    case ControlKind::Picture:
      return "picture";
    case ControlKind::Edit:
      return "edit";
    case ControlKind::ComboBox:
      return "combo box";
    case ControlKind::TabControl:
      return "tab control";
    case ControlKind::ProgressBar:
      return "progress bar";
    case ControlKind::Slider:
      return "slider";
    case ControlKind::Link:
      return "link";
  }
  return "control";
}

}  // namespace

bool HasWindowText(ControlKind kind) {
  return kind == ControlKind::Edit || kind == ControlKind::Label || kind == ControlKind::Link;
}

void RequireAccess(int dialogId, int controlId, ControlKind kind, ControlAccess access) {
  bool fits = true;
  const char* wanted = "";
  switch (access) {
    case ControlAccess::Text:
      fits = HasWindowText(kind) || kind == ControlKind::ComboBox;
      wanted = "text";
      break;
    case ControlAccess::SetText:
      fits = HasWindowText(kind);
      wanted = "settable text";
      break;
    case ControlAccess::Append:
      fits = kind == ControlKind::Edit;
      wanted = "appendable text";
      break;
    case ControlAccess::Check:
      fits = kind == ControlKind::CheckBox;
      wanted = "check state";
      break;
    case ControlAccess::Range:
      fits = kind == ControlKind::ProgressBar || kind == ControlKind::Slider;
      wanted = "range and position";
      break;
    case ControlAccess::Icon:
      fits = kind == ControlKind::Picture;
      wanted = "icon";
      break;
    case ControlAccess::Items:
      fits = kind == ControlKind::ComboBox;
      wanted = "items";
      break;
    case ControlAccess::DefaultButton:
      fits = kind == ControlKind::PushButton || kind == ControlKind::DefPushButton;
      wanted = "default-button state";
      break;
    case ControlAccess::Any:
      break;
  }
  if (!fits) {
    throw std::logic_error("control " + std::to_string(controlId) + " of dialog " +
                           std::to_string(dialogId) + " is a " + KindName(kind) +
                           ", which has no " + wanted);
  }
}

std::vector<int> AddressableIds(const res::DialogTemplate& dialog) {
  std::vector<int> ids;
  for (const auto& control : dialog.controls) {
    if (control.id == res::kNoId) continue;
    if (std::find(ids.begin(), ids.end(), control.id) != ids.end()) {
      throw std::logic_error("dialog " + std::to_string(dialog.id) + " holds control " +
                             std::to_string(control.id) + " twice");
    }
    ids.push_back(control.id);
  }
  return ids;
}

}  // namespace brisa::ui
