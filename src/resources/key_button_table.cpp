#include "resources/key_button_table.h"

namespace brisa::res {

const KeyButtonRow* FindKeyButtonByControlId(std::uint32_t controlId) {
  for (const KeyButtonRow& row : KeyButtonTable) {
    if (row.controlId == controlId) return &row;
  }
  return nullptr;
}

const KeyButtonRow* FindKeyButtonByUsageId(std::uint32_t usageId) {
  for (const KeyButtonRow& row : KeyButtonTable) {
    if (row.usageId == usageId) return &row;
  }
  return nullptr;
}

}  // namespace brisa::res
