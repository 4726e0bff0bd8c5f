#pragma once

#include "editor/app_context.h"
#include "editor/environment.h"

namespace brisa::editor {

// The application: loads the accelerators, runs the main dialog modally and ends.
class CBrisaApp {
 public:
  CBrisaApp(AppContext& context, Environment& environment)
      : m_context(context), m_environment(environment) {}

  // The whole life of the user interface; false: the process ends when it returns.
  bool InitInstance();

  // Whether accelerator table 144 was loaded (none is translated otherwise).
  bool hAccel() const { return m_hAccel; }

 private:
  AppContext& m_context;
  Environment& m_environment;
  bool m_hAccel = false;
};

}  // namespace brisa::editor
