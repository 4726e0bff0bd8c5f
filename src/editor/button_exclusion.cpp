#include "editor/button_exclusion.h"

#include <stdexcept>

#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

namespace bs = res::button_setup;

constexpr ButtonKind kKinds[] = {ButtonKind::Analog, ButtonKind::Encoder, ButtonKind::Rotary,
                                 ButtonKind::Toggle};

}  // namespace

int BoxCount(ButtonKind kind) {
  switch (kind) {
    case ButtonKind::Analog:
      return bs::kAnalogBoxCount;
    case ButtonKind::Encoder:
      return bs::kEncoderBoxCount;
    case ButtonKind::Rotary:
      return bs::kRotaryBoxCount;
    case ButtonKind::Toggle:
      return bs::kToggleBoxCount;
  }
  throw std::logic_error("no such button kind");
}

int BoxId(ButtonKind kind, int index) {
  switch (kind) {
    case ButtonKind::Analog:
      return bs::AnalogBox(index);
    case ButtonKind::Encoder:
      return bs::EncoderBox(index);
    case ButtonKind::Rotary:
      return bs::RotaryBox(index);
    case ButtonKind::Toggle:
      return bs::ToggleBox(index);
  }
  throw std::logic_error("no such button kind");
}

std::optional<ButtonKind> KindOfBox(int controlId) {
  for (ButtonKind kind : kKinds) {
    const int first = BoxId(kind, 0);
    if (controlId >= first && controlId < first + BoxCount(kind)) return kind;
  }
  return std::nullopt;
}

std::vector<int> BoxesClaimingTheSameButtons(ButtonKind kind, int index) {
  // Only buttons 1..8 have an analog box, and an encoder box claims both buttons of its pair.
  const auto analog = [](int button) { return button < bs::kAnalogBoxCount; };
  switch (kind) {
    case ButtonKind::Analog:
      return {bs::EncoderBox(index / 2), bs::RotaryBox(index), bs::ToggleBox(index)};
    case ButtonKind::Encoder: {
      const int first = 2 * index;
      std::vector<int> boxes;
      if (analog(first)) boxes = {bs::AnalogBox(first), bs::AnalogBox(first + 1)};
      for (int id : {bs::RotaryBox(first), bs::RotaryBox(first + 1), bs::ToggleBox(first),
                     bs::ToggleBox(first + 1)}) {
        boxes.push_back(id);
      }
      return boxes;
    }
    case ButtonKind::Rotary:
    case ButtonKind::Toggle: {
      std::vector<int> boxes;
      if (analog(index)) boxes.push_back(bs::AnalogBox(index));
      boxes.push_back(bs::EncoderBox(index / 2));
      boxes.push_back(kind == ButtonKind::Rotary ? bs::ToggleBox(index) : bs::RotaryBox(index));
      return boxes;
    }
  }
  throw std::logic_error("no such button kind");
}

void ApplyButtonExclusion(ui::Window& buttonSetup, ButtonKind kind) {
  for (int index = 0; index < BoxCount(kind); ++index) {
    if (!buttonSetup.checked(BoxId(kind, index))) continue;
    for (int id : BoxesClaimingTheSameButtons(kind, index)) buttonSetup.setChecked(id, false);
  }
}

}  // namespace brisa::editor
