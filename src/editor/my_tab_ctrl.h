#pragma once

#include <array>
#include <memory>

#include "editor/app_context.h"
#include "editor/environment.h"
#include "editor/tab_page.h"
#include "ui/shell.h"

namespace brisa::editor {

// Page indices, which are also the tab items' indices.
inline constexpr int kPageButtonSetup = 0;
inline constexpr int kPageButtonTest = 1;
inline constexpr int kPageAxisSetup = 2;
inline constexpr int kPageAdvanced = 3;
inline constexpr int kPageKeyboard = 4;
inline constexpr int kPageCount = 5;

// The main dialog's tab control: owns the five pages and shows exactly one of them; the page
// shown changes when the user clicks another tab, and to show a field the user must mend.
class CMyTabCtrl {
 public:
  // Creates the page objects (no windows yet).
  CMyTabCtrl(AppContext& context, Environment& environment, int dialogId, int controlId);

  // Creates the page windows inside the tab control and shows page 0. The tab items must be
  // inserted first.
  void Init();
  // A left click on the tab control, after the control has made the clicked tab the focused one.
  void OnLButtonDown();
  // Selects the tab of the page built from this template and shows that page.
  void ShowPageOf(int pageDialogId);

  CTabPage& page(int index) const { return *m_pages.at(static_cast<std::size_t>(index)); }
  int currentPage() const { return m_currentPage; }

  std::array<std::unique_ptr<CTabPage>, kPageCount> m_pages;
  int m_currentPage = 0;
  int m_pageCount = kPageCount;

 private:
  void SwitchTo(int index);

  ui::Shell& m_shell;
  const int m_dialogId;
  const int m_controlId;
};

}  // namespace brisa::editor
