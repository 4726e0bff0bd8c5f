#pragma once

#include <functional>

#include "editor/thread_launcher.h"
#include "platform/clock.h"
#include "platform/device_tree.h"
#include "platform/gatt.h"
#include "platform/hid_device.h"
#include "platform/usb.h"
#include "ui/prompts.h"
#include "ui/shell.h"

namespace brisa::editor {

// The bodies of the three workers; an empty one ends at once.
struct WorkerProcs {
  std::function<void()> ReadThreadProc;
  std::function<void()> DfuThreadProc;
  std::function<void()> WriteThreadProc;
};

// What the application and its dialogs reach of the world outside the editor.
struct Environment {
  ui::Shell& shell;
  ui::Prompts& prompts;
  ThreadLauncher& threads;
  WorkerProcs workers;
  // The machine's devices, each seam null where the backend has none yet. The device tree and
  // GATT serve the board link; HID answers the report-offset question at start too.
  platform::Usb* usb = nullptr;
  platform::Hid* hid = nullptr;
  platform::DeviceTree* deviceTree = nullptr;
  platform::Gatt* gatt = nullptr;
  // Every wait of the dialog and the workers; null: real time.
  platform::Clock* clock = nullptr;
};

// The environment's clock, or real time when it names none.
platform::Clock& ClockOf(Environment& environment);

}  // namespace brisa::editor
