#include "resources/menu.h"

#include <stdexcept>
#include <string>

#include "resources/resource_ids.h"

namespace brisa::res {

const Menu& GetMenu(int menuId) {
  using namespace command;
  static const Menu mainMenu{kMainMenu,
                             {
                                 {"&File",
                                  {
                                      {"&Open\tCtrl+O", ID_FILE_OPEN},
                                      {"&Save As...\tCtrl+S", ID_FILE_SAVE_AS},
                                      {"", 0},
                                      {"&Exit", ID_APP_EXIT},
                                  }},
                                 {"&Device",
                                  {
                                      {"&Read\tCtrl+R", ID_DEVICE_READ},
                                      {"&Update\tCtrl+U", ID_DEVICE_UPDATE},
                                  }},
                             }};
  if (menuId != kMainMenu) throw std::out_of_range("no menu " + std::to_string(menuId));
  return mainMenu;
}

const MenuItem* FindMenuItem(const Menu& menu, int commandId) {
  if (commandId == 0) return nullptr;  // separators carry no command
  for (const MenuPopup& popup : menu.popups) {
    for (const MenuItem& item : popup.items) {
      if (item.commandId == commandId) return &item;
    }
  }
  return nullptr;
}

}  // namespace brisa::res
