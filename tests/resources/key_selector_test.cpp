#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "resources/dialog_template.h"
#include "resources/key_button_table.h"
#include "resources/resource_ids.h"

namespace brisa::res {
namespace {

struct KeyRow {
  std::uint32_t id;
  const char* caption;
  std::uint32_t usage;
};

// Every row of the key table in table order, with the caption of its button.
const KeyRow kKeys[] = {
    {1231, "Esc", 0x29}, {1230, "F1", 0x3A},    {1234, "F2", 0x3B},    {1235, "F3", 0x3C},
    {1236, "F4", 0x3D},  {1237, "F5", 0x3E},    {1238, "F6", 0x3F},    {1239, "F7", 0x40},
    {1240, "F8", 0x41},  {1241, "F9", 0x42},    {1242, "F10", 0x43},   {1243, "F11", 0x44},
    {1244, "F12", 0x45}, {1245, "PS", 0x46},    {1246, "SC", 0x47},    {1247, "Pau", 0x48},
    {1248, "~", 0x35},   {1249, "1", 0x1E},     {1250, "2", 0x1F},     {1251, "3", 0x20},
    {1252, "4", 0x21},   {1253, "5", 0x22},     {1254, "6", 0x23},     {1255, "7", 0x24},
    {1256, "8", 0x25},   {1257, "9", 0x26},     {1258, "0", 0x27},     {1259, "-", 0x2D},
    {1260, "+", 0x2E},   {1261, "<--", 0x2A},   {1262, "Ins", 0x49},   {1263, "Hm", 0x4A},
    {1264, "PU", 0x4B},  {1265, "Num", 0x53},   {1266, "/", 0x54},     {1267, "*", 0x55},
    {1268, "-", 0x56},   {1269, "Tab", 0x2B},   {1270, "Q", 0x14},     {1271, "W", 0x1A},
    {1272, "E", 0x08},   {1273, "R", 0x15},     {1274, "T", 0x17},     {1275, "Y", 0x1C},
    {1276, "U", 0x18},   {1277, "I", 0x0C},     {1278, "O", 0x12},     {1279, "P", 0x13},
    {1280, "[", 0x2F},   {1281, "]", 0x30},     {1294, "|", 0x31},     {1308, "Del", 0x4C},
    {1309, "End", 0x4D}, {1310, "PD", 0x4E},    {1311, "7", 0x5F},     {1312, "8", 0x60},
    {1313, "9", 0x61},   {1314, "+", 0x57},     {1282, "Caps", 0x39},  {1283, "A", 0x04},
    {1284, "S", 0x16},   {1285, "D", 0x07},     {1286, "F", 0x09},     {1287, "G", 0x0A},
    {1288, "H", 0x0B},   {1289, "J", 0x0D},     {1290, "K", 0x0E},     {1291, "L", 0x0F},
    {1292, ":", 0x33},   {1293, "\"", 0x34},    {1295, "Enter", 0x28}, {1323, "4", 0x5C},
    {1324, "5", 0x97},   {1325, "6", 0x5E},     {1296, "Shift", 0xE1}, {1297, "Z", 0x1D},
    {1298, "X", 0x1B},   {1299, "C", 0x06},     {1300, "V", 0x19},     {1301, "B", 0x05},
    {1302, "N", 0x11},   {1303, "M", 0x10},     {1304, "<", 0x36},     {1305, ">", 0x37},
    {1306, "?", 0x38},   {1307, "Shift", 0xE5}, {1318, "/\\", 0x52},   {1319, "1", 0x59},
    {1320, "2", 0x5A},   {1321, "3", 0x5B},     {1322, "Ent", 0x28},   {1328, "Ctrl", 0xE0},
    {1330, "Win", 0xE3}, {1333, "Alt", 0xE2},   {1335, "--", 0x2C},    {1334, "Alt", 0xE6},
    {1331, "Win", 0xE7}, {1332, "Menu", 0x65},  {1329, "Ctrl", 0xE4},  {1315, "<-", 0x50},
    {1316, "\\/", 0x51}, {1317, "->", 0x4F},    {1326, "0", 0x62},     {1327, ".", 0x63},
};

const ControlTemplate* FindById(const DialogTemplate& d, int id) {
  for (const ControlTemplate& c : d.controls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

TEST(KeyButtonTableTest, RowsAndCaptionsInTableOrder) {
  ASSERT_EQ(std::size(kKeys), KeyButtonTable.size());
  const DialogTemplate& selector = GetDialogTemplate(dialog::kKeySelector);
  for (std::size_t i = 0; i < KeyButtonTable.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(KeyButtonTable[i].controlId, kKeys[i].id);
    EXPECT_EQ(KeyButtonTable[i].usageId, kKeys[i].usage);
    const ControlTemplate* button = FindById(selector, static_cast<int>(kKeys[i].id));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->kind, ControlKind::PushButton);
    EXPECT_EQ(button->caption, kKeys[i].caption);
    EXPECT_EQ(button->style, style::kTabStop);
  }
}

TEST(KeyButtonTableTest, EveryKeyButtonOnceAndNoOtherButtons) {
  std::set<int> tableIds;
  for (const KeyButtonRow& row : KeyButtonTable) {
    EXPECT_TRUE(tableIds.insert(static_cast<int>(row.controlId)).second) << row.controlId;
  }
  std::set<int> buttonIds;
  for (const ControlTemplate& c : GetDialogTemplate(dialog::kKeySelector).controls) {
    if (c.kind == ControlKind::PushButton) buttonIds.insert(c.id);
  }
  EXPECT_EQ(tableIds, buttonIds);
  // 1230..1335 without 1232 and 1233.
  EXPECT_EQ(*buttonIds.begin(), 1230);
  EXPECT_EQ(*buttonIds.rbegin(), 1335);
  EXPECT_EQ(buttonIds.count(1232) + buttonIds.count(1233), 0u);
}

TEST(KeyButtonTableTest, Lookups) {
  struct Case {
    std::uint32_t usage;
    std::uint32_t expectedId;  // 0: no row
  };
  const Case cases[] = {
      {0x04, 1283},  // "A"
      {0x28, 1295},  // "Enter" comes before keypad "Ent", which sends the same usage
      {0x97, 1324},  // keypad "5"
      {0x5D, 0},     // the usual keypad-5 usage is not in the table
      {0x58, 0},     // nor the usual keypad-Enter usage
      {0, 0},
  };
  for (const Case& c : cases) {
    const KeyButtonRow* row = FindKeyButtonByUsageId(c.usage);
    if (c.expectedId == 0) {
      EXPECT_EQ(row, nullptr) << c.usage;
    } else {
      ASSERT_NE(row, nullptr) << c.usage;
      EXPECT_EQ(row->controlId, c.expectedId);
    }
  }
  ASSERT_NE(FindKeyButtonByControlId(1322), nullptr);
  EXPECT_EQ(FindKeyButtonByControlId(1322)->usageId, 0x28u);
  EXPECT_EQ(FindKeyButtonByControlId(1328)->usageId, 0xE0u);
  EXPECT_EQ(FindKeyButtonByControlId(1335)->usageId, 0x2Cu);
  EXPECT_EQ(FindKeyButtonByControlId(1232), nullptr);
  EXPECT_EQ(FindKeyButtonByControlId(1103), nullptr);
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

TEST(KeySelectorLayoutTest, KeysDoNotOverlapAndStayInsideTheDialog) {
  const DialogTemplate& d = GetDialogTemplate(dialog::kKeySelector);
  for (std::size_t i = 0; i < d.controls.size(); ++i) {
    const Rect& a = d.controls[i].rect;
    EXPECT_GE(a.x, 0);
    EXPECT_GE(a.y, 0);
    EXPECT_LE(a.x + a.width, d.width) << d.controls[i].id;
    EXPECT_LE(a.y + a.height, d.height) << d.controls[i].id;
    for (std::size_t j = i + 1; j < d.controls.size(); ++j) {
      EXPECT_FALSE(Overlap(a, d.controls[j].rect))
          << d.controls[i].caption << " (" << d.controls[i].id << ") and " << d.controls[j].caption
          << " (" << d.controls[j].id << ")";
    }
  }
}

TEST(KeySelectorLayoutTest, RowsBlocksAndSizesAsOnTheKeyboard) {
  struct Case {
    int id;
    Rect rect;
  };
  const Case cases[] = {
      {1231, {6, 6, 17, 14}},     // Esc starts the main block
      {1244, {227, 6, 17, 14}},   // F12 ends where the main-block rows end
      {1245, {247, 6, 19, 14}},   // PS starts the navigation block
      {1248, {6, 26, 16, 14}},    // ~
      {1261, {214, 26, 31, 14}},  // <--
      {1265, {308, 26, 19, 14}},  // Num starts the keypad
      {1269, {6, 40, 21, 14}},    // Tab
      {1294, {219, 40, 25, 14}},  // |
      {1314, {365, 40, 19, 28}},  // keypad + spans two rows
      {1282, {6, 54, 25, 14}},    // Caps
      {1295, {207, 54, 37, 14}},  // Enter
      {1296, {6, 68, 29, 14}},    // left Shift
      {1307, {195, 68, 49, 14}},  // right Shift
      {1318, {266, 69, 19, 14}},  // up arrow, one unit lower, above down arrow
      {1319, {308, 69, 19, 14}},  // keypad 1
      {1322, {365, 68, 19, 29}},  // keypad Ent
      {1328, {6, 83, 21, 14}},    // left Ctrl
      {1335, {69, 83, 91, 14}},   // space bar
      {1329, {223, 83, 21, 14}},  // right Ctrl
      {1316, {266, 83, 19, 14}},  // down arrow
      {1326, {308, 83, 38, 14}},  // keypad 0 covers two columns
      {1327, {346, 83, 19, 14}},  // keypad .
  };
  const DialogTemplate& d = GetDialogTemplate(dialog::kKeySelector);
  for (const Case& c : cases) {
    const ControlTemplate* key = FindById(d, c.id);
    ASSERT_NE(key, nullptr) << c.id;
    EXPECT_EQ(key->rect, c.rect) << c.id << " " << key->caption;
  }
}

// Letter, digit and punctuation keys of the main block are 16 wide; every other key 17 to 21
// unless it is one of the wide keys.
TEST(KeySelectorLayoutTest, KeyWidths) {
  const std::set<int> wideKeys = {1261, 1294, 1282, 1295, 1296, 1307, 1335, 1326};
  for (const ControlTemplate& c : GetDialogTemplate(dialog::kKeySelector).controls) {
    if (c.kind != ControlKind::PushButton || wideKeys.count(c.id) != 0) continue;
    const bool mainBlock = c.rect.x < 247;
    const bool symbolKey = c.caption.size() == 1;
    if (mainBlock && symbolKey) {
      EXPECT_EQ(c.rect.width, 16) << c.caption;
    } else {
      EXPECT_GE(c.rect.width, 17) << c.caption;
      EXPECT_LE(c.rect.width, 21) << c.caption;
    }
  }
}

}  // namespace
}  // namespace brisa::res
