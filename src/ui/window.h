#pragma once

#include <string>

namespace brisa::ui {

// Selection index of a combo box that shows no item.
inline constexpr int kNoSelection = -1;
// Icon id of a picture that shows nothing (an icon that could not be loaded).
inline constexpr int kNoIcon = 0;
// Answer of focusedId() while no control of the window holds the focus.
inline constexpr int kNoFocus = 0;

struct Range {
  int low = 0;
  int high = 0;
  bool operator==(const Range&) const = default;
};

// The controls of one dialog (the main dialog, a page, the key-code selector), each found by
// its numeric id. Ids repeat across dialogs, so asking for an id that this dialog's template
// does not hold, or for an operation its kind of control does not have, is a programming error
// and throws std::logic_error. Any thread may call: a toolkit implementation carries each call
// out on the UI thread and returns when it is done.
class Window {
 public:
  virtual ~Window() = default;

  virtual int dialogId() const = 0;
  virtual bool hasControl(int id) const = 0;

  // The dialog's own title.
  virtual std::string caption() const = 0;
  virtual void setCaption(const std::string& caption) = 0;

  // Edits, labels and links; a combo box answers the text of its selected item. The captions
  // of buttons, check boxes and group boxes are fixed by the template.
  virtual std::string text(int id) const = 0;
  virtual void setText(int id, const std::string& text) = 0;
  // Adds text at the end of an edit and scrolls the end into view.
  virtual void appendText(int id, const std::string& text) = 0;

  virtual bool checked(int id) const = 0;
  virtual void setChecked(int id, bool checked) = 0;

  virtual bool enabled(int id) const = 0;
  virtual void setEnabled(int id, bool enabled) = 0;

  // Progress bars and sliders; a position outside the range is held at its nearer end.
  virtual Range range(int id) const = 0;
  virtual void setRange(int id, int low, int high) = 0;
  virtual int position(int id) const = 0;
  virtual void setPosition(int id, int position) = 0;

  // Pictures, by icon resource id.
  virtual int icon(int id) const = 0;
  virtual void setIcon(int id, int iconId) = 0;

  // Combo boxes: items in the order added, never sorted.
  virtual void clearItems(int id) = 0;
  virtual int addItem(int id, const std::string& text) = 0;  // returns the new item's index
  virtual int itemCount(int id) const = 0;
  virtual std::string itemText(int id, int index) const = 0;  // std::out_of_range if none
  virtual int selection(int id) const = 0;
  // An index outside the items (kNoSelection among them) leaves no item selected. Raises no
  // selection notification.
  virtual void setSelection(int id, int index) = 0;

  virtual int focusedId() const = 0;
  virtual void setFocus(int id) = 0;

  // The push button that Enter clicks.
  virtual int defaultButton() const = 0;
  virtual void setDefaultButton(int id) = 0;
};

}  // namespace brisa::ui
