#pragma once

#include <memory>

#include "board/device.h"
#include "editor/config_pages.h"
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"
#include "ui/headless_window.h"

namespace brisa::editor::testing {

// The four configuration pages, headless, as the tab control creates them: built from the real
// templates, with the ranges the Axis Setup page gives its bars and sliders when it starts.
struct PageSet {
  ui::HeadlessWindow buttonSetup{res::GetDialogTemplate(res::dialog::kButtonSetup)};
  ui::HeadlessWindow axisSetup{res::GetDialogTemplate(res::dialog::kAxisSetup)};
  ui::HeadlessWindow advanced{res::GetDialogTemplate(res::dialog::kAdvanced)};
  ui::HeadlessWindow keyboard{res::GetDialogTemplate(res::dialog::kKeyboard)};

  PageSet() {
    for (int k = 0; k < res::axis_setup::kAxisCount; ++k) {
      axisSetup.setRange(res::axis_setup::AxisBar(k), 0, 4096);
    }
    axisSetup.setRange(res::axis_setup::kGainSlider1, 0, 255);
    axisSetup.setRange(res::axis_setup::kGainSlider2, 0, 255);
    forgetWrites();
  }

  ConfigPages pages() { return ConfigPages(buttonSetup, axisSetup, advanced, keyboard); }

  void forgetWrites() {
    buttonSetup.forgetWrites();
    axisSetup.forgetWrites();
    advanced.forgetWrites();
    keyboard.forgetWrites();
  }
};

inline std::unique_ptr<board::Device> Board(board::ModelId model) {
  return board::CreateDevice(model, false);
}

}  // namespace brisa::editor::testing
