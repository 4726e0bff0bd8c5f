#pragma once

#include "editor/app_context.h"
#include "editor/environment.h"

namespace brisa::editor {

// The bodies of the read, DFU and write workers over the context and the environment's
// devices and clock. Each loops forever around one pass; the objects handed in must outlive
// the process's use of them (the workers are never joined).
WorkerProcs MakeWorkerProcs(AppContext& context, Environment& environment);

}  // namespace brisa::editor
