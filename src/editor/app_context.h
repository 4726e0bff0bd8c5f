#pragma once

#include <array>
#include <string>

#include "board/board_state.h"
#include "dfu/dfu_state.h"
#include "resources/resource_ids.h"

namespace brisa::editor {

class CBrisaDlg;

// Lamp state of a button whose live state has not arrived yet.
inline constexpr int kButtonStateUnknown = 3;
// Values of an axis row beyond any axis value: nothing known yet (draw it), and blanked.
inline constexpr int kAxisUnknown = -100000;
inline constexpr int kAxisBlank = -100001;

// The process-wide state: one instance, owned by the application and handed down, so every
// test starts from a fresh one.
struct AppContext {
  board::BoardState board;
  dfu::DfuState dfu;

  // The main dialog, published by its constructor for the pages and the workers.
  CBrisaDlg* pMainDlg = nullptr;
  // Path of the configuration file last opened or saved.
  std::string strConfigFilePath;

  // Set once each worker runs; a worker is never started twice.
  bool hReadThread = false;
  bool hDfuThread = false;
  bool hWriteThread = false;

  // Live display on "Button Test": the lamp state shown per button and the hat picture index.
  std::array<int, res::button_test::kLampCount> buttonState{};
  int hatIndex = 0;
  // Live display on "Axis Setup": the value each axis row shows, so rows are redrawn only on a
  // change (the tick runs every 5 ms).
  std::array<int, res::axis_setup::kAxisCount> axisShown = UnknownAxes();

  static constexpr std::array<int, res::axis_setup::kAxisCount> UnknownAxes() {
    std::array<int, res::axis_setup::kAxisCount> axes{};
    axes.fill(kAxisUnknown);
    return axes;
  }

  // The key-code edit of the "Keyboard" page that last had the focus (0: none).
  int focusedKeyEditId = 0;
};

}  // namespace brisa::editor
