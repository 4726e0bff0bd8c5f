#pragma once

#include <cstdint>

namespace brisa::board {

// The number a board model is known by; stored widened to 32 bits in configuration files.
enum class ModelId : std::uint8_t {
  Merlin = 1,
  Osprey = 2,
  Linnet = 3,
  Plover = 4,
  Egret = 5,
  Heron = 6,
  Keyboard = 7,
  Sparrow = 8,
  Kestrel = 9,
  Finch = 10,
  DFU = 11,
};

constexpr std::uint8_t ToNumber(ModelId id) {
  return static_cast<std::uint8_t>(id);
}

}  // namespace brisa::board
