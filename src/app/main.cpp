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
#include "editor/worker_procs.h"
#include "platform/clock.h"
#include "platform/linux/libusb_usb.h"
#include "platform/sim/machine.h"
#include "platform/sim/scenario.h"
#include "qt/qt_prompts.h"
#include "qt/qt_shell.h"
#include "resources/app_info.h"

namespace {

// The devices the tool sees: this machine's, or a simulated machine's.
struct Backend {
  std::unique_ptr<brisa::platform::sim::Machine> simulated;
  std::unique_ptr<brisa::platform::Usb> libusb;

  void wire(brisa::editor::Environment& environment) const {
    if (simulated) {
      environment.usb = &simulated->usb();
      environment.hid = &simulated->hid();
      environment.deviceTree = &simulated->deviceTree();
      environment.gatt = &simulated->gatt();
    } else {
      // TODO(board link): the Linux HID, device-tree and GATT backend; until then this
      // machine shows no boards.
      environment.usb = libusb.get();
    }
  }
};

// BRISA_SIMULATE names a simulated machine; without it the real one is used.
std::optional<Backend> ChooseBackend() {
  Backend backend;
  const char* name = std::getenv("BRISA_SIMULATE");
  if (name != nullptr && *name != '\0') {
    const auto scenario = brisa::platform::sim::namedScenario(name);
    if (!scenario) {
      std::fprintf(stderr, "brisa: no simulated machine named \"%s\"\n", name);
      return std::nullopt;
    }
    backend.simulated = scenario->build();
  } else {
    backend.libusb = std::make_unique<brisa::platform::LibusbUsb>();
  }
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
