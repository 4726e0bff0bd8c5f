#include "editor/worker_procs.h"

#include "board/report_exchange.h"
#include "dfu/dfu_worker.h"
#include "editor/brisa_dlg.h"
#include "editor/my_tab_ctrl.h"

namespace brisa::editor {

WorkerProcs MakeWorkerProcs(AppContext& context, Environment& environment) {
  WorkerProcs procs;
  platform::Clock& clock = ClockOf(environment);
  board::BoardState& board = context.board;
  procs.ReadThreadProc = [&board, &clock] { board::ReadWorker(board, clock).run(); };
  procs.DfuThreadProc = [&context, &clock] {
    dfu::DfuWorker worker(context.dfu, clock, [&context]() -> ui::Window* {
      return context.pMainDlg != nullptr ? &context.pMainDlg->page(kPageAdvanced) : nullptr;
    });
    worker.run();
  };
  procs.WriteThreadProc = [&board, &clock] { board::WriteWorker(board, clock).run(); };
  return procs;
}

}  // namespace brisa::editor
