#pragma once

#include <umockdev.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/board_firmware.h"

namespace brisa::testbed {

// What one emulated hidraw node answers.
struct HidrawSpec {
  std::uint32_t bus = 0x03;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::vector<std::uint8_t> descriptor;
  std::string name;
  // The board behind the node: feature reports and input reports. Null: a device without
  // them (keyboard, mouse), whose feature requests fail and which never has input queued.
  std::shared_ptr<platform::sim::BoardFirmware> firmware;
  // Above 0: a board that stopped answering. Every request that goes to it (feature reports)
  // fails with EIO after this many milliseconds, as uhid answers for a Bluetooth board that
  // is gone; the other nodes are served meanwhile.
  unsigned failAfterMs = 0;
};

// Serves the hidraw ioctls and reads of one node from a simulated board, as the kernel would:
// HIDIOCGRAWINFO, HIDIOCGRDESCSIZE, HIDIOCGRDESC, HIDIOCGRAWNAME, HIDIOCGFEATURE and
// HIDIOCSFEATURE, and read() of one queued report at a time (EAGAIN when none is queued).
// After vanish() every request fails as on a device that was pulled out.
//
// The node itself is a FIFO that holds one byte exactly while a report is queued and the device
// is there, so poll() on it waits for input as on a real hidraw node, in this process or in
// another. Every read() and ioctl() of it still comes here through umockdev, so nothing but this
// server ever takes the byte.
class HidrawServer {
 public:
  // `node`: where the FIFO is made, in the testbed's root.
  HidrawServer(HidrawSpec spec, const std::string& node);
  ~HidrawServer();
  HidrawServer(const HidrawServer&) = delete;
  HidrawServer& operator=(const HidrawServer&) = delete;

  UMockdevIoctlBase* base() const { return base_; }
  const HidrawSpec& spec() const { return spec_; }
  void vanish();
  // The read() calls that reached the node so far.
  unsigned reads() const { return reads_; }

 private:
  static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  static gboolean onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  void ioctl(UMockdevIoctlClient* client);
  void read(UMockdevIoctlClient* client);
  void feature(UMockdevIoctlClient* client, bool set, std::size_t length);
  void failLater(UMockdevIoctlClient* client, int error) const;
  void showQueued(std::size_t queued);
  void showLocked(std::size_t queued);

  const HidrawSpec spec_;
  UMockdevIoctlBase* base_;
  std::atomic<bool> vanished_{false};
  std::atomic<unsigned> reads_{0};
  std::mutex readyMutex_;
  int fifo_ = -1;       // the server's own end, for the byte
  bool ready_ = false;  // the byte is in the FIFO
};

}  // namespace brisa::testbed
