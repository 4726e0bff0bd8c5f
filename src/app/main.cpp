// brisa: picks the Qt front end and the device backend, wires them and runs the application.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "editor/app_context.h"
#include "editor/brisa_app.h"
#include "editor/environment.h"
#include "editor/thread_launcher.h"
#include "qt/qt_prompts.h"
#include "qt/qt_shell.h"
#include "resources/app_info.h"

namespace {

// The machine whose devices the tool sees.
struct Machine {
  // TODO(board link): the simulated machine and the real Linux backend behind the same seams.
  std::string simulatedScenario;  // empty: the real machine
};

// BRISA_SIMULATE names a simulated machine; without it the real one is used.
bool ChooseMachine(Machine& machine) {
  const char* scenario = std::getenv("BRISA_SIMULATE");
  if (scenario == nullptr || *scenario == '\0') return true;
  machine.simulatedScenario = scenario;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(brisa::res::kApplicationTitle));

  Machine machine;
  if (!ChooseMachine(machine)) return 2;

  brisa::qt::QtShell shell;
  brisa::qt::QtPrompts prompts(shell.uiThread(), [&shell] { return shell.promptParent(); });
  brisa::editor::StdThreadLauncher threads;
  brisa::editor::AppContext context;
  brisa::editor::Environment environment{shell, prompts, threads, {}};

  brisa::editor::CBrisaApp theApp(context, environment);
  theApp.InitInstance();
  return 0;
}
