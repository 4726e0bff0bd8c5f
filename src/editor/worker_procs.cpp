#include "editor/worker_procs.h"

namespace brisa::editor {

WorkerProcs MakeWorkerProcs(AppContext& /*context*/, Environment& /*environment*/) {
  WorkerProcs procs;
  // TODO(board link): ReadThreadProc and WriteThreadProc.
  // TODO(firmware upgrade): DfuThreadProc.
  return procs;
}

}  // namespace brisa::editor
