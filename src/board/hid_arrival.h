#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "board/config_record.h"
#include "platform/hid_device.h"

namespace brisa::board {

// What opening a selected HID interface brought within the time selection waits for it.
struct HidArrival {
  bool answered = false;  // the opening ended in time, with or without a handle
  platform::HidOpenError error = platform::HidOpenError::NotFound;  // of the read/write open
  bool readWrite = false;                       // `device` is open for reading and writing
  std::shared_ptr<platform::HidDevice> device;  // null: nothing opened in time
  std::optional<platform::HidAttributes> attributes;
  std::optional<platform::HidCaps> caps;
  std::optional<FeatureReport> identity;  // report 3, of a device open for reading and writing
};

// Opens the interface at `path` as selection does (for reading and writing, else for queries,
// also without "\KBD"), reads its attributes and capabilities, and then asks a read/write
// device for its report 3; all of it on a thread of its own, of which this waits at most
// `bound`. A board that stopped answering, or whose node waits behind a request to it, holds
// the window no longer: what comes later is dropped (the workers ask again for what they
// need), and a handle that opens too late is closed on that thread.
HidArrival OpenWithin(platform::Hid& hid, const std::string& path, std::chrono::milliseconds bound);

// A path from which every "\KBD" was removed: where a keyboard collection opens for queries.
std::string WithoutKeyboardCollection(std::string path);

}  // namespace brisa::board
