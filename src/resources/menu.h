#pragma once

#include <string>
#include <vector>

namespace brisa::res {

// A menu command; command id 0 is a separator.
struct MenuItem {
  std::string text;  // "\t" separates the shortcut shown at the right
  int commandId = 0;
  bool IsSeparator() const { return commandId == 0; }
};

struct MenuPopup {
  std::string text;
  std::vector<MenuItem> items;
};

struct Menu {
  int id = 0;
  std::vector<MenuPopup> popups;
};

// A menu by its resource id; throws std::out_of_range for an unknown id.
const Menu& GetMenu(int menuId);

// The item that carries a command, or nullptr.
const MenuItem* FindMenuItem(const Menu& menu, int commandId);

}  // namespace brisa::res
