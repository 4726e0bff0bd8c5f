#include "board/input_state.h"

namespace brisa::board {
namespace {

// Bytes past the payload read as zero, so a bad count never reads out of the report.
std::uint8_t ByteAt(const InputStateReport& report, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= report.size()) return 0;
  return report[static_cast<std::size_t>(index)];
}

}  // namespace

std::int16_t InputAxis(const InputStateReport& report, int axis) {
  const int at = 2 * axis;
  return static_cast<std::int16_t>(ByteAt(report, at) | (ByteAt(report, at + 1) << 8));
}

bool InputButton(const InputStateReport& report, int axisCount, int button) {
  return (ByteAt(report, 2 * axisCount + button / 8) >> (button % 8) & 1) != 0;
}

std::uint8_t InputHat(const InputStateReport& report, int axisCount) {
  return ByteAt(report, 2 * axisCount + 4);
}

}  // namespace brisa::board
