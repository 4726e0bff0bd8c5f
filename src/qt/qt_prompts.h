#pragma once

#include <functional>

#include "qt/qt_ui_thread.h"
#include "ui/prompts.h"

class QWidget;

namespace brisa::qt {

// Message boxes and file dialogs over the main window, shown on the GUI thread whichever thread
// asks.
class QtPrompts final : public ui::Prompts {
 public:
  QtPrompts(QtUiThread& uiThread, std::function<QWidget*()> parent)
      : m_ui(uiThread), m_parent(std::move(parent)) {}

  void messageBox(const std::string& text) override;
  std::optional<std::string> openFile(const ui::FileDialogSpec& spec) override;
  std::optional<std::string> saveFile(const ui::FileDialogSpec& spec) override;

 private:
  std::optional<std::string> ask(const ui::FileDialogSpec& spec, bool save);

  QtUiThread& m_ui;
  std::function<QWidget*()> m_parent;
};

}  // namespace brisa::qt
