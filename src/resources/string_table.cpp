#include "resources/string_table.h"

#include <map>

#include "resources/resource_ids.h"

namespace brisa::res {

std::string LoadResourceString(int stringId) {
  static const std::map<int, std::string> strings = {
      {main_dialog::kReadButton, "Read configuration from the device"},
      {main_dialog::kUpdateButton, "Write configuration to the device"},
      {command::ID_FILE_OPEN, "Open device configuration file"},
      {command::ID_FILE_SAVE_AS, "Save device configuration file"},
      {command::ID_APP_EXIT, "Exit the programs"},
  };
  const auto it = strings.find(stringId);
  return it == strings.end() ? std::string() : it->second;
}

}  // namespace brisa::res
