#include "editor/environment.h"

namespace brisa::editor {

platform::Clock& ClockOf(Environment& environment) {
  static platform::SystemClock realTime;
  return environment.clock != nullptr ? *environment.clock : realTime;
}

}  // namespace brisa::editor
