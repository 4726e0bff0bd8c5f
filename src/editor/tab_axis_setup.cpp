#include "editor/tab_page.h"

namespace brisa::editor {

namespace ax = res::axis_setup;

bool CTabAxisSetup::OnInitDialog() {
  ui::Window& page = window();
  // The bars show a live 12-bit value; their top is 4096, one above the largest value.
  for (int k = 0; k < ax::kAxisCount; ++k) page.setRange(ax::AxisBar(k), 0, 4096);
  for (int slider : {ax::kGainSlider1, ax::kGainSlider2}) {
    page.setRange(slider, 0, 255);
    page.setPosition(slider, 0);
  }
  return true;
}

}  // namespace brisa::editor
