#pragma once

#include <cstdint>
#include <vector>

namespace brisa::res {

namespace modifier {
inline constexpr std::uint32_t kCtrl = 1u << 0;
inline constexpr std::uint32_t kShift = 1u << 1;
inline constexpr std::uint32_t kAlt = 1u << 2;
}  // namespace modifier

// A key (an upper-case letter) pressed with exactly these modifiers sends the command id.
struct Accelerator {
  char key = 0;
  std::uint32_t modifiers = 0;
  int commandId = 0;
};

// An accelerator table by its resource id; throws std::out_of_range for an unknown id.
const std::vector<Accelerator>& GetAcceleratorTable(int tableId);

// The command that a key press sends through the table, or 0 for none. Letters match in either
// case; the modifiers must match exactly.
int FindAcceleratorCommand(int tableId, char key, std::uint32_t modifiers);

}  // namespace brisa::res
