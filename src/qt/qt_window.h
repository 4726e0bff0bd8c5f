#pragma once

#include <QWidget>
#include <map>
#include <string>

#include "qt/dialog_units.h"
#include "qt/qt_ui_thread.h"
#include "resources/dialog_template.h"
#include "ui/control_access.h"
#include "ui/dialog_events.h"
#include "ui/window.h"

namespace brisa::qt {

class TabControlWidget;

// The controls of one dialog as real widgets, built from its template inside `client` and
// positioned in dialog units. User input on them goes to `events`; calls from any thread are
// carried out on the GUI thread.
class QtWindow final : public ui::Window {
 public:
  QtWindow(const res::DialogTemplate& dialog, QWidget* root, QWidget* client,
           const DialogUnits& units, QtUiThread& uiThread, ui::DialogEvents& events);

  int dialogId() const override { return m_dialogId; }
  bool hasControl(int id) const override { return m_controls.count(id) != 0; }
  std::string caption() const override;
  void setCaption(const std::string& caption) override;
  std::string text(int id) const override;
  void setText(int id, const std::string& text) override;
  void appendText(int id, const std::string& text) override;
  bool checked(int id) const override;
  void setChecked(int id, bool checked) override;
  bool enabled(int id) const override;
  void setEnabled(int id, bool enabled) override;
  ui::Range range(int id) const override;
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

  // GUI thread only.
  QWidget* widget(int id) const;
  TabControlWidget* tabControl(int id) const;
  void focusFirstTabStop();

 private:
  struct Control {
    res::ControlKind kind;
    std::uint32_t style;
    QWidget* widget;
    QRect rect;        // as placed from the template
    std::string text;  // a link's address as given
    ui::Range range{0, 100};
    int icon = ui::kNoIcon;
  };

  void build(const res::DialogTemplate& dialog, QWidget* client, const DialogUnits& units,
             ui::DialogEvents& events);
  Control& find(int id, ui::ControlAccess access);
  const Control& find(int id, ui::ControlAccess access) const;

  const int m_dialogId;
  QWidget* const m_root;
  QtUiThread& m_ui;
  std::map<int, Control> m_controls;
  std::string m_caption;  // a page's caption (pages show none)
  int m_defaultButton = 0;
};

}  // namespace brisa::qt
