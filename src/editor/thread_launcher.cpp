#include "editor/thread_launcher.h"

#include <system_error>
#include <thread>
#include <utility>

namespace brisa::editor {

int StdThreadLauncher::launch(std::function<void()> body) {
  try {
    std::thread([work = std::move(body)] {
      if (work) work();
    }).detach();
  } catch (const std::system_error& error) {
    // Never 0, which would read as success.
    return error.code().value() != 0 ? error.code().value() : -1;
  }
  return 0;
}

}  // namespace brisa::editor
