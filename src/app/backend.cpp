#include "app/backend.h"

#include <cstdio>

#include "platform/sim/scenario.h"

namespace brisa::app {

std::optional<Backend> Backend::choose(const char* simulate) {
  Backend backend;
  if (simulate != nullptr && *simulate != '\0') {
    const auto scenario = platform::sim::namedScenario(simulate);
    if (!scenario) {
      std::fprintf(stderr, "brisa: no simulated machine named \"%s\"\n", simulate);
      return std::nullopt;
    }
    backend.simulated_ = scenario->build();
  } else {
    backend.machine_ = std::make_unique<platform::LinuxMachine>();
  }
  return backend;
}

void Backend::wire(editor::Environment& environment) const {
  if (simulated_) {
    environment.usb = &simulated_->usb();
    environment.hid = &simulated_->hid();
    environment.deviceTree = &simulated_->deviceTree();
    environment.gatt = &simulated_->gatt();
  } else {
    environment.usb = &machine_->usb();
    environment.hid = &machine_->hid();
    environment.deviceTree = &machine_->deviceTree();
    environment.gatt = &machine_->gatt();
  }
}

}  // namespace brisa::app
