#include "resources/accelerator_table.h"

#include <cctype>
#include <stdexcept>
#include <string>

#include "resources/resource_ids.h"

namespace brisa::res {

const std::vector<Accelerator>& GetAcceleratorTable(int tableId) {
  // Ctrl+R and Ctrl+U carry the ids of the "Read" and "Update" buttons, not of the menu items,
  // so they reach their handlers whatever state the menu is in.
  static const std::vector<Accelerator> mainTable = {
      {'S', modifier::kCtrl, command::ID_FILE_SAVE_AS},
      {'O', modifier::kCtrl, command::ID_FILE_OPEN},
      {'R', modifier::kCtrl, main_dialog::kReadButton},
      {'U', modifier::kCtrl, main_dialog::kUpdateButton},
  };
  if (tableId != kMainAccelerators) {
    throw std::out_of_range("no accelerator table " + std::to_string(tableId));
  }
  return mainTable;
}

int FindAcceleratorCommand(int tableId, char key, std::uint32_t modifiers) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(key)));
  for (const Accelerator& accelerator : GetAcceleratorTable(tableId)) {
    if (accelerator.key == upper && accelerator.modifiers == modifiers) {
      return accelerator.commandId;
    }
  }
  return 0;
}

}  // namespace brisa::res
