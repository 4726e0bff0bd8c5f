#pragma once

#include <functional>

#include "editor/thread_launcher.h"
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
  // The USB library for the firmware upgrade; null where there is none.
  platform::Usb* usb = nullptr;
};

}  // namespace brisa::editor
