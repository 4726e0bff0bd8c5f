#pragma once

#include <cstdint>

#include "board/device.h"
#include "editor/config_pages.h"
#include "ui/window.h"

namespace brisa::editor {

// Boards whose buttons and axes are shown live (not the keyboard interface, not the bootloader).
bool ShowsLiveInput(std::uint8_t modelId);
// Wired boards: their PIN word carries the model key, so there is no pairing PIN.
bool IsWiredModel(std::uint8_t modelId);

// Enables on the pages exactly the controls the selected model has, and shows the lamps of its
// buttons as released. Without a model (a board this user may not open) every configuration
// control is disabled.
void EnablePageControls(const ConfigPages& pages, ui::Window& buttonTest,
                        const board::Device* device);

}  // namespace brisa::editor
