#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "resources/dialog_template.h"
#include "ui/window.h"

namespace brisa::ui {

// A window without a screen: the controls of a template as plain values, safe to use from
// several threads. Tests read and write it as the user would (set_text types into an edit,
// setChecked clicks a check box) and ask which controls a step wrote.
class HeadlessWindow final : public Window {
 public:
  // Takes the controls with an id from the template, in template order; edits, labels and
  // links show their caption. Throws std::logic_error when an id repeats.
  explicit HeadlessWindow(const res::DialogTemplate& dialog);

  int dialogId() const override;
  bool hasControl(int id) const override;
  std::string caption() const override;
  void setCaption(const std::string& caption) override;
  std::string text(int id) const override;
  void setText(int id, const std::string& text) override;
  void appendText(int id, const std::string& text) override;
  bool checked(int id) const override;
  void setChecked(int id, bool checked) override;
  bool enabled(int id) const override;
  void setEnabled(int id, bool enabled) override;
  Range range(int id) const override;
  void setRange(int id, int low, int high) override;
  int position(int id) const override;
  void setPosition(int id, int position) override;
  int icon(int id) const override;
  void setIcon(int id, int iconId) override;
  void clearItems(int id) override;
  int addItem(int id, const std::string& text) override;
  int itemCount(int id) const override;
  std::string itemText(int id, int index) const override;
  int selection(int id) const override;
  void setSelection(int id, int index) override;
  int focusedId() const override;
  void setFocus(int id) override;
  int defaultButton() const override;
  void setDefaultButton(int id) override;

  // Ids of the controls written since construction or the last forgetWrites(), in id order.
  std::set<int> writtenIds() const;
  void forgetWrites();
  // Every position a progress bar or slider was given, in order, after clamping.
  std::vector<int> positionHistory(int id) const;
  // Ids of the controls in template order.
  std::vector<int> controlIds() const;

 private:
  struct Control {
    res::ControlKind kind = res::ControlKind::Label;
    std::string text;
    bool checked = false;
    bool enabled = true;
    Range range{0, 100};
    int position = 0;
    std::vector<int> positions;
    int icon = kNoIcon;
    std::vector<std::string> items;
    int selection = kNoSelection;
  };
  enum class Operation { Text, SetText, Append, Check, Range, Icon, Items, Any };

  const Control& find(int id, Operation op) const;
  Control& findForWrite(int id, Operation op);

  const int m_dialogId;
  const std::vector<int> m_order;
  mutable std::mutex m_mutex;
  std::string m_caption;
  std::map<int, Control> m_controls;
  std::set<int> m_written;
  int m_focus = kNoFocus;
  int m_defaultButton = 0;
};

}  // namespace brisa::ui
