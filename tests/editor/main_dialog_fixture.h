#pragma once

#include <string>
#include <vector>

#include "editor/app_context.h"
#include "editor/brisa_dlg.h"
#include "editor/environment.h"
#include "editor/thread_launcher.h"
#include "platform/sim/machine.h"
#include "resources/resource_ids.h"
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

  // Every edit the reports take a number from holds one, as once a board's configuration has
  // been shown; the pages must exist.
  void putNumbersInTheEdits() {
    namespace ax = res::axis_setup;
    namespace adv = res::advanced;
    ui::HeadlessWindow& axes = shell.window(res::dialog::kAxisSetup);
    for (int k = 0; k < ax::kAxisCount; ++k) {
      axes.setText(ax::MinEdit(k), "0");
      axes.setText(ax::MaxEdit(k), "4095");
    }
    ui::HeadlessWindow& advanced = shell.window(res::dialog::kAdvanced);
    for (int id : {adv::kFilteringEdit, adv::kDebounceEdit, adv::kEncoderPressTimeEdit,
                   adv::kSwitchPressTimeEdit, adv::kPinEdit}) {
      advanced.setText(id, "0");
    }
    ui::HeadlessWindow& keys = shell.window(res::dialog::kKeyboard);
    for (int i = 0; i < res::keyboard::kKeyEditCount; ++i) {
      keys.setText(res::keyboard::KeyEdit(i), "0x04");
    }
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
