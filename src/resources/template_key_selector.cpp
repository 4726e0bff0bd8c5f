#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>

#include "resources/key_button_table.h"
#include "resources/resource_ids.h"
#include "resources/template_builders.h"

namespace brisa::res::detail {
namespace {

using namespace key_selector;

struct Key {
  int id;
  const char* caption;
  int width = 16;
  int height = 14;
};

struct PlacedKey {
  std::string caption;
  Rect rect;
};

// Layout rule: the keys of one row of one block touch each other, left to right from the
// block's left edge; the main-block rows then end at x = 244 (the digit row, one unit wider,
// at 245) and the blocks keep a gap.
// Main block from x = 6: letter, digit and punctuation keys 16 wide; Esc and the function keys
// 17 wide, with a 7-unit gap after Esc and 5-unit gaps between the groups of four, so that row
// ends with the others. Navigation block from x = 247 and keypad from x = 308: 19 wide, so the
// 38-wide keypad "0" covers exactly two keypad columns. Keys are 14 high; keypad "+" and "Ent"
// span two rows.
class KeyboardLayout {
 public:
  void Row(int x, int y, std::initializer_list<Key> keys) {
    for (const Key& key : keys) {
      Place(key, x, y);
      x += key.width;
    }
  }

  void Place(const Key& key, int x, int y) {
    placed_[key.id] = PlacedKey{key.caption, Rect{x, y, key.width, key.height}};
  }

  const PlacedKey& At(int id) const {
    const auto it = placed_.find(id);
    if (it == placed_.end()) throw std::logic_error("key " + std::to_string(id) + " not placed");
    return it->second;
  }

 private:
  std::map<int, PlacedKey> placed_;
};

constexpr int kMain = 6;
constexpr int kNavigation = 247;
constexpr int kKeypad = 308;
constexpr int kSide = 19;  // navigation and keypad key width
constexpr int kFn = 17;    // Esc and function key width

KeyboardLayout BuildLayout() {
  KeyboardLayout k;
  // y = 6: Esc and the function keys, then print screen, scroll lock, pause.
  k.Row(kMain, 6, {{kKeyEsc, "Esc", kFn}});
  k.Row(kMain + kFn + 7, 6,
        {{kKeyF1, "F1", kFn}, {kKeyF2, "F2", kFn}, {kKeyF3, "F3", kFn}, {kKeyF4, "F4", kFn}});
  k.Row(kMain + kFn + 7 + 4 * kFn + 5, 6,
        {{kKeyF5, "F5", kFn}, {kKeyF6, "F6", kFn}, {kKeyF7, "F7", kFn}, {kKeyF8, "F8", kFn}});
  k.Row(kMain + kFn + 7 + 8 * kFn + 10, 6,
        {{kKeyF9, "F9", kFn}, {kKeyF10, "F10", kFn}, {kKeyF11, "F11", kFn}, {kKeyF12, "F12", kFn}});
  k.Row(kNavigation, 6,
        {{kKeyPrintScreen, "PS", kSide}, {kKeyScrollLock, "SC", kSide}, {kKeyPause, "Pau", kSide}});

  // y = 26: digits.
  k.Row(kMain, 26,
        {{kKeyTilde, "~"},
         {kKey1, "1"},
         {kKey2, "2"},
         {kKey3, "3"},
         {kKey4, "4"},
         {kKey5, "5"},
         {kKey6, "6"},
         {kKey7, "7"},
         {kKey8, "8"},
         {kKey9, "9"},
         {kKey0, "0"},
         {kKeyMinus, "-"},
         {kKeyEquals, "+"},
         {kKeyBackspace, "<--", 31}});
  k.Row(kNavigation, 26,
        {{kKeyInsert, "Ins", kSide}, {kKeyHome, "Hm", kSide}, {kKeyPageUp, "PU", kSide}});
  k.Row(kKeypad, 26,
        {{kKeyNumLock, "Num", kSide},
         {kKeypadSlash, "/", kSide},
         {kKeypadStar, "*", kSide},
         {kKeypadMinus, "-", kSide}});

  // y = 40: upper letter row.
  k.Row(kMain, 40,
        {{kKeyTab, "Tab", 21},
         {kKeyQ, "Q"},
         {kKeyW, "W"},
         {kKeyE, "E"},
         {kKeyR, "R"},
         {kKeyT, "T"},
         {kKeyY, "Y"},
         {kKeyU, "U"},
         {kKeyI, "I"},
         {kKeyO, "O"},
         {kKeyP, "P"},
         {kKeyLeftBracket, "["},
         {kKeyRightBracket, "]"},
         {kKeyBackslash, "|", 25}});
  k.Row(kNavigation, 40,
        {{kKeyDelete, "Del", kSide}, {kKeyEnd, "End", kSide}, {kKeyPageDown, "PD", kSide}});
  k.Row(kKeypad, 40,
        {{kKeypad7, "7", kSide},
         {kKeypad8, "8", kSide},
         {kKeypad9, "9", kSide},
         {kKeypadPlus, "+", kSide, 28}});

  // y = 54: home row.
  k.Row(kMain, 54,
        {{kKeyCapsLock, "Caps", 25},
         {kKeyA, "A"},
         {kKeyS, "S"},
         {kKeyD, "D"},
         {kKeyF, "F"},
         {kKeyG, "G"},
         {kKeyH, "H"},
         {kKeyJ, "J"},
         {kKeyK, "K"},
         {kKeyL, "L"},
         {kKeySemicolon, ":"},
         {kKeyQuote, "\""},
         {kKeyEnter, "Enter", 37}});
  k.Row(kKeypad, 54, {{kKeypad4, "4", kSide}, {kKeypad5, "5", kSide}, {kKeypad6, "6", kSide}});

  // y = 68: lower letter row; the arrow-up key and keypad 1 to 3 sit one unit lower.
  k.Row(kMain, 68,
        {{kKeyLeftShift, "Shift", 29},
         {kKeyZ, "Z"},
         {kKeyX, "X"},
         {kKeyC, "C"},
         {kKeyV, "V"},
         {kKeyB, "B"},
         {kKeyN, "N"},
         {kKeyM, "M"},
         {kKeyComma, "<"},
         {kKeyPeriod, ">"},
         {kKeySlash, "?"},
         {kKeyRightShift, "Shift", 49}});
  k.Place({kKeyUp, "/\\", kSide}, kNavigation + kSide, 69);
  k.Row(kKeypad, 69, {{kKeypad1, "1", kSide}, {kKeypad2, "2", kSide}, {kKeypad3, "3", kSide}});
  k.Place({kKeypadEnter, "Ent", kSide, 29}, kKeypad + 3 * kSide, 68);

  // y = 83: bottom row.
  k.Row(kMain, 83,
        {{kKeyLeftCtrl, "Ctrl", 21},
         {kKeyLeftWin, "Win", 21},
         {kKeyLeftAlt, "Alt", 21},
         {kKeySpace, "--", 91},
         {kKeyRightAlt, "Alt", 21},
         {kKeyRightWin, "Win", 21},
         {kKeyMenu, "Menu", 21},
         {kKeyRightCtrl, "Ctrl", 21}});
  k.Row(kNavigation, 83,
        {{kKeyLeft, "<-", kSide}, {kKeyDown, "\\/", kSide}, {kKeyRight, "->", kSide}});
  k.Row(kKeypad, 83, {{kKeypad0, "0", 2 * kSide}, {kKeypadDot, ".", kSide}});
  return k;
}

}  // namespace

DialogTemplate BuildKeySelectorTemplate() {
  DialogTemplate d;
  d.id = dialog::kKeySelector;
  d.caption = "Keycode selector";
  d.width = 391;
  d.height = 104;
  d.fontName = kDialogFont;
  d.fontPointSize = kDialogFontSize;

  const KeyboardLayout layout = BuildLayout();
  // The keys in table order, which is keyboard order row by row.
  for (const KeyButtonRow& row : KeyButtonTable) {
    const int id = static_cast<int>(row.controlId);
    const PlacedKey& key = layout.At(id);
    AddControl(d, ControlKind::PushButton, id, key.caption, style::kTabStop, key.rect);
  }
  // The three lock lamps above the keypad.
  AddControl(d, ControlKind::Label, kNoId, "o        o        o", 0, {326, 12, 45, 8});
  return d;
}

}  // namespace brisa::res::detail
