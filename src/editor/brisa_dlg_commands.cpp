// Update, Set defaults and the outcome of a write: the main dialog's commands on the board's
// configuration.

#include "board/report_exchange.h"
#include "editor/brisa_dlg.h"
#include "editor/config_reports.h"
#include "editor/set_defaults.h"
#include "platform/clock.h"
#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

namespace ids = res::main_dialog;

}  // namespace

ConfigPages CBrisaDlg::Pages() const {
  return ConfigPages(page(kPageButtonSetup), page(kPageAxisSetup), page(kPageAdvanced),
                     page(kPageKeyboard));
}

board::OutgoingReports CBrisaDlg::CollectConfigReports() const {
  return editor::CollectConfigReports(Pages(), m_context.board.pDevice.get());
}

bool CBrisaDlg::RefuseUnconvertedText() {
  const auto refusal = FindUnconvertedText(Pages(), m_context.board.pDevice.get());
  if (!refusal) return false;
  m_environment.prompts.messageBox(refusal->message);
  // The user mends the field the message names: it may sit on a page not shown.
  m_tabCtrl.ShowPageOf(refusal->pageDialogId);
  m_environment.shell.dialog(refusal->pageDialogId).setFocus(refusal->controlId);
  return true;
}

platform::Clock& CBrisaDlg::Clock() const {
  return ClockOf(m_environment);
}

void CBrisaDlg::OnBnClickedUpdate() {
  // Ctrl+U reaches here whatever the button's state.
  if (!window().enabled(ids::kUpdateButton)) return;
  if (RefuseUnconvertedText()) return;
  UpdateData(true);
  board::AskWrite(m_context.board, CollectConfigReports());
  UpdateData(false);
  // The window does not wait for the board, which may take seconds to answer or never answer:
  // the timer tick says how the write ended once it has.
  m_writeOutcomeOwed = true;
}

void CBrisaDlg::ReportOwedWriteOutcome() {
  if (!m_writeOutcomeOwed || m_context.board.writeRequest != 0) return;
  // The tick keeps running under the message box: the debt goes before the box shows.
  m_writeOutcomeOwed = false;
  ShowWriteOutcome();
}

void CBrisaDlg::ShowWriteOutcome() {
  switch (m_context.board.writeOutcome.load()) {
    case board::WriteOutcome::Accepted:
      m_environment.prompts.messageBox("Configuration Saved to Device");
      return;
    case board::WriteOutcome::Refused:
      m_environment.prompts.messageBox(
          "The device refused the configuration; it may be saved only in part");
      return;
    case board::WriteOutcome::Dropped:  // another board was selected: the user knows
    case board::WriteOutcome::None:
      return;
  }
}

void CBrisaDlg::OnBnClickedSetDefaults() {
  const board::Device* device = m_context.board.pDevice.get();
  if (device == nullptr) return;
  SetDefaults(Pages(), *device);
}

}  // namespace brisa::editor
