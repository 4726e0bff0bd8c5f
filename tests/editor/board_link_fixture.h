#pragma once

#include <memory>
#include <string>
#include <utility>

#include "board/report_exchange.h"
#include "editor/app_context.h"
#include "editor/brisa_dlg.h"
#include "editor/environment.h"
#include "main_dialog_fixture.h"
#include "platform/sim/scenario.h"
#include "platform/sim/virtual_clock.h"
#include "resources/resource_ids.h"
#include "ui/headless_prompts.h"
#include "ui/headless_shell.h"

namespace brisa::editor::testing {

// The main window on a simulated machine, headless, with the read and write workers run one
// pass at a time by the test on virtual time. The machine outlives every handle opened on it.
struct BoardLinkProcess {
  explicit BoardLinkProcess(const platform::sim::Scenario& scenario) : machine(scenario.build()) {
    environment.usb = &machine->usb();
    environment.hid = &machine->hid();
    environment.deviceTree = &machine->deviceTree();
    environment.gatt = &machine->gatt();
    environment.clock = &clock;
  }

  // Starts the window as the application does: builds the list and opens its first entry.
  CBrisaDlg& start() {
    dialog = std::make_unique<CBrisaDlg>(context, environment);
    dialog->Create();
    return *dialog;
  }

  ui::HeadlessWindow& main() { return shell.window(res::dialog::kMain); }
  ui::HeadlessWindow& page(int dialogId) { return shell.window(dialogId); }
  void choose(int index) {
    shell.chooseItem(res::dialog::kMain, res::main_dialog::kDeviceCombo, index);
  }
  int selected() { return main().selection(res::main_dialog::kDeviceCombo); }
  std::string text(int id) { return main().text(id); }
  // One read pass and one write pass, then a tick of the window's timer.
  void cycle() {
    reader.pass();
    writer.pass();
    shell.tick();
  }

  std::unique_ptr<platform::sim::Machine> machine;
  AppContext context;
  ui::HeadlessShell shell;
  ui::HeadlessPrompts prompts;
  ScriptedLauncher launcher;
  platform::sim::VirtualClock clock;
  Environment environment{shell, prompts, launcher, {}};
  board::ReadWorker reader{context.board, clock};
  board::WriteWorker writer{context.board, clock};
  std::unique_ptr<CBrisaDlg> dialog;
};

}  // namespace brisa::editor::testing
