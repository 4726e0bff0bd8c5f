#pragma once

#include <memory>
#include <optional>

#include "editor/environment.h"
#include "platform/linux/linux_machine.h"
#include "platform/sim/machine.h"

namespace brisa::app {

// The devices the tool sees: this machine's (udev, hidraw, BlueZ, libusb) or a simulated one's.
class Backend {
 public:
  // `simulate` is BRISA_SIMULATE: a simulated machine's name, or null or empty for this
  // machine. Absent, after a message on standard error, when no simulated machine has that name.
  static std::optional<Backend> choose(const char* simulate);

  void wire(editor::Environment& environment) const;

 private:
  std::unique_ptr<platform::sim::Machine> simulated_;
  std::unique_ptr<platform::LinuxMachine> machine_;
};

}  // namespace brisa::app
