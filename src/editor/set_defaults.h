#pragma once

#include "board/device.h"
#include "editor/config_pages.h"

namespace brisa::editor {

// Puts the model's default configuration into the page controls: every button a plain button
// with the key codes of A..Z and 1..0, the axis ranges of the models that have them, the
// model's timings and no PIN. Nothing is sent and no report or record changes; the gain
// sliders and the axis controls of models without default ranges keep what they show.
void SetDefaults(const ConfigPages& pages, const board::Device& device);

}  // namespace brisa::editor
