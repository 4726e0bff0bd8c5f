#pragma once

#include <umockdev.h>

#include <atomic>
#include <cstdint>
#include <deque>
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
  // is gone; the other nodes are served meanwhile. HidrawServer::silence() changes it later.
  unsigned failAfterMs = 0;
};

// Serves the hidraw ioctls and reads of one node from a simulated board, as the kernel would:
// HIDIOCGRAWINFO, HIDIOCGRDESCSIZE, HIDIOCGRDESC, HIDIOCGRAWNAME, HIDIOCGFEATURE and
// HIDIOCSFEATURE, and read() of one queued report at a time (EAGAIN when none is queued).
// After vanish() every request fails as on a device that was pulled out.
//
// One feature request to a device at a time, as the kernel has it: hidraw holds its lock for the
// whole of HIDIOCGFEATURE/HIDIOCSFEATURE, the transport's wait included, and uhid passes on one
// at a time. While one is in flight (a silent board's, answered only when it fails), every
// further ioctl to the device, from any fd of its node, waits and is then served in order.
// What umockdev 0.17.16 lets this show, as measured:
// - open() of the node only connects a socket to the testbed, so it cannot be held; the fresh
//   fd's first ioctl waits instead, which is where a program that opened the node meets it.
// - close() returns at once; the kernel's release waits for the lock. Closing an fd while
//   another thread's request on it waits ends the process ("Error communicating with ioctl
//   socket" from umockdev's preload), where the kernel would let that request finish.
// - read() is not held, as hidraw_read takes no lock but its own fd's.
// - the kernel's lock is one for all hidraw nodes (a mutex on older kernels; on newer ones a
//   rwsem whose exclusive side open and close take): here each device has its own, so a
//   request to one board never holds another board's node.
// - the requests of one fd go one at a time anyway: umockdev's preload sends them over one
//   socket, under a lock of that fd.
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
  // From now on every feature request fails with EIO after `ms` (0: at once), as a board that
  // stopped answering.
  void silence(unsigned ms) {
    silentMs_ = ms;
    silent_ = true;
  }
  // The read() calls that reached the node so far.
  unsigned reads() const { return reads_; }

 private:
  static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  static gboolean onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  void ioctl(UMockdevIoctlClient* client);
  void read(UMockdevIoctlClient* client);
  void feature(UMockdevIoctlClient* client, bool set, std::size_t length);
  void failLater(UMockdevIoctlClient* client, int error);
  void showQueued(std::size_t queued);
  void showLocked(std::size_t queued);

  // The device's lock, which a feature request in flight holds. Shared with the timer that ends
  // the request, which may outlive the server.
  struct DeviceLock {
    std::mutex mutex;
    HidrawServer* server;  // null once the server is gone
    bool held = false;
    std::deque<UMockdevIoctlClient*> waiting;  // each holds a reference
  };
  static void release(DeviceLock& lock);

  const HidrawSpec spec_;
  UMockdevIoctlBase* base_;
  std::shared_ptr<DeviceLock> lock_;
  std::atomic<unsigned> silentMs_;
  std::atomic<bool> silent_;
  std::atomic<bool> vanished_{false};
  std::atomic<unsigned> reads_{0};
  std::mutex readyMutex_;
  int fifo_ = -1;       // the server's own end, for the byte
  bool ready_ = false;  // the byte is in the FIFO
};

}  // namespace brisa::testbed
