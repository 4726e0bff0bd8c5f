// brisa: picks the Qt front end and the device backend, wires them and runs the application.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "editor/app_context.h"
#include "editor/brisa_app.h"
#include "editor/environment.h"
#include "editor/thread_launcher.h"
#include "platform/linux/libusb_usb.h"
#include "platform/sim/sim_usb.h"
#include "qt/qt_prompts.h"
#include "qt/qt_shell.h"
#include "resources/app_info.h"

namespace {

// The devices the tool sees: this machine's, or a simulated machine's.
struct Backend {
  std::unique_ptr<brisa::platform::Usb> usb;
};

// TODO(simulated machine): build the scenario's machine and take all its seams; until then a
// simulated machine is an empty one.
std::optional<Backend> StartSimulatedMachine(const std::string& scenario) {
  if (scenario != "demo") return std::nullopt;
  Backend backend;
  backend.usb = std::make_unique<brisa::platform::sim::SimUsb>();
  return backend;
}

// BRISA_SIMULATE names a simulated machine; without it the real one is used.
std::optional<Backend> ChooseBackend() {
  const char* scenario = std::getenv("BRISA_SIMULATE");
  if (scenario != nullptr && *scenario != '\0') {
    auto backend = StartSimulatedMachine(scenario);
    if (!backend) std::fprintf(stderr, "brisa: no simulated machine named \"%s\"\n", scenario);
    return backend;
  }
  // TODO(board link): the Linux HID backend; until then the real machine shows no boards.
  Backend backend;
  backend.usb = std::make_unique<brisa::platform::LibusbUsb>();
  return backend;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(brisa::res::kApplicationTitle));

  std::optional<Backend> backend = ChooseBackend();
  if (!backend) return 2;

  brisa::qt::QtShell shell;
  brisa::qt::QtPrompts prompts(shell.uiThread(), [&shell] { return shell.promptParent(); });
  brisa::editor::StdThreadLauncher threads;
  brisa::editor::AppContext context;
  brisa::editor::Environment environment{shell, prompts, threads, {}, backend->usb.get()};

  brisa::editor::CBrisaApp theApp(context, environment);
  theApp.InitInstance();
  return 0;
}
