#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace brisa::platform::sim {

// The board kinds the simulator can play. Numbered like the tool's model ids so a test can
// name one by the other, but kept separately: this is what the boards' firmware does, which
// the tool's identification has to match, not share.
enum class BoardModel : std::uint8_t {
  Merlin = 1,  // the Bluetooth LE board
  Osprey = 2,
  Linnet = 3,
  Plover = 4,
  Egret = 5,
  Heron = 6,
  Keyboard = 7,  // a keyboard board: configured through its keyboard collection
  Sparrow = 8,
  Kestrel = 9,
  Finch = 10,
};

struct FirmwareTraits {
  std::string_view name;
  std::uint8_t buttons = 0;
  std::uint8_t axes = 0;
  bool hat = false;
  // Report 3 byte 12 of a wired board (bytes 10 and 11 are 0xFF); none on the boards whose
  // bytes 9..12 are their PIN word (the Bluetooth board and the keyboard).
  std::optional<std::uint8_t> keyByte;
  std::uint16_t productId = 0;
};

const FirmwareTraits& traitsOf(BoardModel model);

// Input report 1 payload size: axes (2 bytes each), button bytes, hat byte.
std::size_t inputPayloadSize(BoardModel model);

}  // namespace brisa::platform::sim
