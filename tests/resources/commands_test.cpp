#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "resources/accelerator_table.h"
#include "resources/menu.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"

namespace brisa::res {
namespace {

TEST(MenuTest, MainMenuPopupsAndItems) {
  struct Item {
    const char* popup;
    const char* text;
    int commandId;
  };
  const Item expected[] = {
      {"&File", "&Open\tCtrl+O", 57601},
      {"&File", "&Save As...\tCtrl+S", 57604},
      {"&File", "", 0},
      {"&File", "&Exit", 57665},
      {"&Device", "&Read\tCtrl+R", 32774},
      {"&Device", "&Update\tCtrl+U", 32775},
  };
  const Menu& menu = GetMenu(143);
  EXPECT_EQ(menu.id, 143);
  std::size_t n = 0;
  for (const MenuPopup& popup : menu.popups) {
    for (const MenuItem& item : popup.items) {
      ASSERT_LT(n, std::size(expected));
      EXPECT_EQ(popup.text, expected[n].popup);
      EXPECT_EQ(item.text, expected[n].text);
      EXPECT_EQ(item.commandId, expected[n].commandId);
      EXPECT_EQ(item.IsSeparator(), expected[n].commandId == 0);
      ++n;
    }
  }
  EXPECT_EQ(n, std::size(expected));
  EXPECT_THROW(GetMenu(144), std::out_of_range);
}

TEST(MenuTest, FindMenuItem) {
  const Menu& menu = GetMenu(kMainMenu);
  ASSERT_NE(FindMenuItem(menu, command::ID_FILE_SAVE_AS), nullptr);
  EXPECT_EQ(FindMenuItem(menu, command::ID_FILE_SAVE_AS)->text, "&Save As...\tCtrl+S");
  // No Save, no help item; the button ids of the accelerators are no menu item's.
  EXPECT_EQ(FindMenuItem(menu, command::ID_FILE_SAVE), nullptr);
  EXPECT_EQ(FindMenuItem(menu, command::ID_HELP), nullptr);
  EXPECT_EQ(FindMenuItem(menu, 1148), nullptr);
  EXPECT_EQ(FindMenuItem(menu, 1223), nullptr);
  EXPECT_EQ(FindMenuItem(menu, 0), nullptr);
}

TEST(AcceleratorTest, KeysSendTheirCommands) {
  struct Case {
    char key;
    std::uint32_t modifiers;
    int command;
  };
  const Case cases[] = {
      {'S', modifier::kCtrl, 57604},
      {'O', modifier::kCtrl, 57601},
      {'R', modifier::kCtrl, 1148},  // the "Read" button's id
      {'U', modifier::kCtrl, 1223},  // the "Update" button's id
      {'o', modifier::kCtrl, 57601},
      {'O', 0, 0},
      {'O', modifier::kCtrl | modifier::kShift, 0},
      {'R', modifier::kAlt, 0},
      {'X', modifier::kCtrl, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindAcceleratorCommand(kMainAccelerators, c.key, c.modifiers), c.command)
        << c.key << " " << c.modifiers;
  }
  EXPECT_EQ(GetAcceleratorTable(144).size(), 4u);
  EXPECT_THROW(GetAcceleratorTable(143), std::out_of_range);
}

TEST(StringTableTest, CommandPrompts) {
  struct Case {
    int id;
    const char* text;
  };
  const Case cases[] = {
      {1148, "Read configuration from the device"},
      {1223, "Write configuration to the device"},
      {57601, "Open device configuration file"},
      {57604, "Save device configuration file"},
      {57665, "Exit the programs"},
      {57603, ""},
      {0, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LoadResourceString(c.id), c.text) << c.id;
  }
}

}  // namespace
}  // namespace brisa::res
