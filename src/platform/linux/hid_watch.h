#pragma once

#include <functional>
#include <memory>

#include "platform/device_tree.h"

namespace brisa::platform {

// Arrivals and removals of HID interfaces, from a udev monitor on a thread of its own that
// waits in poll() on the monitor and an eventfd. Destroying the subscription wakes the thread
// through the eventfd and joins it, so no callback runs after the destructor has returned
// (when the callback itself ends the subscription, the thread ends after that callback).
std::unique_ptr<Subscription> watchHidraw(std::function<void(const HidChange&)> callback);

}  // namespace brisa::platform
