#pragma once

#include "ui/window.h"

namespace brisa::editor {

// The four pages whose controls hold a board configuration. Control ids repeat across pages,
// so each page is named and checked against its dialog id: handing over the wrong page throws
// std::logic_error instead of reading the wrong controls.
struct ConfigPages {
  ConfigPages(ui::Window& buttonSetupPage, ui::Window& axisSetupPage, ui::Window& advancedPage,
              ui::Window& keyboardPage);

  ui::Window& buttonSetup;  // "Button Setup", dialog 103
  ui::Window& axisSetup;    // "Axis Setup", dialog 102
  ui::Window& advanced;     // "Advanced", dialog 101
  ui::Window& keyboard;     // "Keyboard", dialog 105
};

}  // namespace brisa::editor
