#include "editor/worker_procs.h"

#include <memory>

#include "board/report_exchange.h"

namespace brisa::editor {
namespace {

// The environment's clock, or real time when it names none.
std::shared_ptr<platform::Clock> ClockOf(Environment& environment) {
  if (environment.clock != nullptr) {
    return std::shared_ptr<platform::Clock>(environment.clock, [](platform::Clock*) {});
  }
  return std::make_shared<platform::SystemClock>();
}

}  // namespace

WorkerProcs MakeWorkerProcs(AppContext& context, Environment& environment) {
  WorkerProcs procs;
  const std::shared_ptr<platform::Clock> clock = ClockOf(environment);
  board::BoardState& board = context.board;
  procs.ReadThreadProc = [&board, clock] { board::ReadWorker(board, *clock).run(); };
  // TODO(firmware upgrade): DfuThreadProc.
  procs.WriteThreadProc = [&board, clock] { board::WriteWorker(board, *clock).run(); };
  return procs;
}

}  // namespace brisa::editor
