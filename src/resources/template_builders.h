#pragma once

#include <cstdint>
#include <string>

#include "resources/dialog_template.h"

// Builders of the dialog templates, one per dialog, collected by GetDialogTemplate.
namespace brisa::res::detail {

inline constexpr const char* kDialogFont = "MS Shell Dlg";
inline constexpr int kDialogFontSize = 8;

// A page of the main dialog's tab control: no caption, no menu.
DialogTemplate MakePage(int id, int width, int height);

void AddControl(DialogTemplate& dialog, ControlKind kind, int id, std::string caption,
                std::uint32_t style, Rect rect);

DialogTemplate BuildAdvancedTemplate();
DialogTemplate BuildAxisSetupTemplate();
DialogTemplate BuildButtonSetupTemplate();
DialogTemplate BuildButtonTestTemplate();
DialogTemplate BuildKeyboardTemplate();
DialogTemplate BuildMainTemplate();
DialogTemplate BuildKeySelectorTemplate();

}  // namespace brisa::res::detail
