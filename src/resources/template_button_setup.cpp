#include <array>
#include <string>

#include "resources/resource_ids.h"
#include "resources/template_builders.h"

namespace brisa::res::detail {
namespace {

// Column positions of the rows of eight check boxes.
constexpr std::array<int, 8> kColumnsNarrow = {14, 73, 133, 193, 253, 313, 374, 434};
constexpr std::array<int, 8> kColumnsWide = {14, 74, 134, 194, 254, 314, 374, 434};
// The columns are about 60 units apart; the boxes take as much of that as they can.
constexpr int kBoxWidth = 56;
constexpr int kBoxHeight = 10;

template <std::size_t Rows>
void AddGroup(DialogTemplate& d, const char* title, Rect box, int firstId, int count,
              const std::array<int, 8>& columns, const std::array<int, Rows>& rows,
              std::string (*caption)(int)) {
  AddControl(d, ControlKind::GroupBox, kNoId, title, 0, box);
  for (int i = 0; i < count; ++i) {
    const Rect rect{columns[static_cast<std::size_t>(i % 8)], rows[static_cast<std::size_t>(i / 8)],
                    kBoxWidth, kBoxHeight};
    AddControl(d, ControlKind::CheckBox, firstId + i, caption(i),
               style::kAutoCheck | style::kTabStop, rect);
  }
}

std::string ButtonCaption(int i) {
  return "Button " + std::to_string(i + 1);
}

std::string PairCaption(int j) {
  return "Buttons " + std::to_string(2 * j + 1) + "-" + std::to_string(2 * j + 2);
}

}  // namespace

DialogTemplate BuildButtonSetupTemplate() {
  using namespace button_setup;
  DialogTemplate d = MakePage(dialog::kButtonSetup, 512, 273);
  AddGroup<1>(d, "Analog inputs", {9, 9, 490, 29}, kAnalogBox0, kAnalogBoxCount, kColumnsNarrow,
              {22}, ButtonCaption);
  AddGroup<3>(d, "Rotary encoders", {9, 38, 490, 51}, kEncoderBox0, kEncoderBoxCount,
              kColumnsNarrow, {49, 63, 77}, PairCaption);
  AddGroup<5>(d, "Rotary switches", {9, 89, 490, 83}, kRotaryBox0, kRotaryBoxCount, kColumnsWide,
              {102, 116, 130, 145, 160}, ButtonCaption);
  AddGroup<5>(d, "Toggle switches", {9, 172, 490, 87}, kToggleBox0, kToggleBoxCount, kColumnsWide,
              {185, 200, 214, 228, 243}, ButtonCaption);
  return d;
}

}  // namespace brisa::res::detail
