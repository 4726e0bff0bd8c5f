#pragma once

#include <functional>
#include <memory>

#include "platform/device_tree.h"
#include "platform/linux/hidraw_catalog.h"

namespace brisa::platform {

// Arrivals and removals of HID interfaces, from a udev monitor on a thread of its own that
// waits in poll() on the monitor and a doorbell. Destroying the subscription wakes the thread
// through the doorbell and joins it, so no callback runs after the destructor has returned
// (when the callback itself ends the subscription, the thread ends after that callback).
// When BlueZ's verdict on a Bluetooth device comes or changes (see HidrawCatalog), the thread
// reports its old paths removed and its new ones arrived.
std::unique_ptr<Subscription> watchHidraw(std::function<void(const HidChange&)> callback,
                                          std::shared_ptr<HidrawCatalog> catalog);

}  // namespace brisa::platform
