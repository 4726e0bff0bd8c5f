// brisa: picks the Qt front end and the device backend, wires them and runs the application.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/backend.h"
#include "editor/app_context.h"
#include "editor/brisa_app.h"
#include "editor/environment.h"
#include "editor/thread_launcher.h"
#include "editor/worker_procs.h"
#include "platform/clock.h"
#include "qt/first_frame.h"
#include "qt/qt_prompts.h"
#include "qt/qt_shell.h"
#include "resources/app_info.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(brisa::res::kApplicationTitle));
  brisa::qt::ReportFirstFrameWhenAsked();

  const std::optional<brisa::app::Backend> backend =
      brisa::app::Backend::choose(std::getenv("BRISA_SIMULATE"));
  if (!backend) return 2;

  brisa::qt::QtShell shell;
  brisa::qt::QtPrompts prompts(shell.uiThread(), [&shell] { return shell.promptParent(); });
  brisa::editor::StdThreadLauncher threads;
  brisa::editor::AppContext context;
  brisa::platform::SystemClock clock;
  brisa::editor::Environment environment{shell, prompts, threads, {}};
  environment.clock = &clock;
  backend->wire(environment);
  environment.workers = brisa::editor::MakeWorkerProcs(context, environment);

  brisa::editor::CBrisaApp theApp(context, environment);
  theApp.InitInstance();
  // The workers loop until the process ends and use the objects above; destroying those
  // under them on the way out of main() could crash the exit, so the process ends here.
  std::fflush(nullptr);
  std::_Exit(0);
}
