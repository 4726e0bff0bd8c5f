#pragma once

#include <optional>

#include "app/backend.h"
#include "editor/app_context.h"
#include "editor/environment.h"
#include "editor/thread_launcher.h"
#include "editor/worker_procs.h"
#include "platform/clock.h"
#include "qt/qt_shell.h"
#include "testbed.h"
#include "ui/headless_prompts.h"

namespace brisa::testbed {

// The real window's parts as main() wires them, on this machine's backend (so on the emulated
// machine of `bed` under umockdev), minus main()'s prompts: these record. Its workers never end,
// so it is made once and lives as long as the process.
struct RealWindow {
  Testbed bed;
  std::optional<app::Backend> backend;
  qt::QtShell shell;
  ui::HeadlessPrompts prompts;
  editor::StdThreadLauncher threads;
  editor::AppContext context;
  platform::SystemClock clock;
  editor::Environment environment{shell, prompts, threads, {}};

  // Chooses the backend and wires it and the workers into the environment.
  void wire() {
    backend = app::Backend::choose(nullptr);
    environment.clock = &clock;
    backend->wire(environment);
    environment.workers = editor::MakeWorkerProcs(context, environment);
  }
};

}  // namespace brisa::testbed
