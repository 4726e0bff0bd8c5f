#include "editor/worker_procs.h"

#include "dfu/dfu_worker.h"
#include "editor/brisa_dlg.h"
#include "editor/my_tab_ctrl.h"

namespace brisa::editor {
namespace {

platform::Clock& ClockOf(Environment& environment) {
  static platform::SystemClock realTime;
  return environment.clock != nullptr ? *environment.clock : realTime;
}

}  // namespace

WorkerProcs MakeWorkerProcs(AppContext& context, Environment& environment) {
  WorkerProcs procs;
  // TODO(board link): ReadThreadProc and WriteThreadProc.
  procs.DfuThreadProc = [&context, &environment] {
    dfu::DfuWorker worker(context.dfu, ClockOf(environment), [&context]() -> ui::Window* {
      return context.pMainDlg != nullptr ? &context.pMainDlg->page(kPageAdvanced) : nullptr;
    });
    worker.run();
  };
  return procs;
}

}  // namespace brisa::editor
