#pragma once

#include <string>
#include <vector>

#include "editor/app_context.h"
#include "editor/brisa_dlg.h"
#include "editor/environment.h"
#include "editor/thread_launcher.h"
#include "platform/sim/machine.h"
#include "ui/headless_prompts.h"
#include "ui/headless_shell.h"

namespace brisa::editor::testing {

// Runs each worker body at once on the caller's thread, or refuses the n-th start with a code.
class ScriptedLauncher final : public ThreadLauncher {
 public:
  int launch(std::function<void()> body) override {
    const std::size_t n = launches++;
    if (n < failCodes.size() && failCodes[n] != 0) return failCodes[n];
    if (body) body();
    return 0;
  }
  std::vector<int> failCodes;  // by start order; 0: starts
  std::size_t launches = 0;
};

// A fresh process: context, headless screen and prompts, and workers that only say their name.
struct HeadlessProcess {
  HeadlessProcess() {
    environment.workers.ReadThreadProc = [this] { started.push_back("read"); };
    environment.workers.DfuThreadProc = [this] { started.push_back("dfu"); };
    environment.workers.WriteThreadProc = [this] { started.push_back("write"); };
    environment.usb = &machine.usb();
    environment.hid = &machine.hid();
    environment.deviceTree = &machine.deviceTree();
    environment.gatt = &machine.gatt();
  }

  // First, so it outlives the handles the context holds on its devices.
  platform::sim::Machine machine;
  AppContext context;
  ui::HeadlessShell shell;
  ui::HeadlessPrompts prompts;
  ScriptedLauncher launcher;
  Environment environment{shell, prompts, launcher, {}};
  std::vector<std::string> started;
};

}  // namespace brisa::editor::testing
