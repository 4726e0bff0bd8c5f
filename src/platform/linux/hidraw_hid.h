#pragma once

#include <memory>
#include <mutex>

#include "platform/hid_device.h"
#include "platform/linux/hidraw_catalog.h"
#include "platform/linux/hidraw_inventory.h"
#include "platform/linux/udev_handles.h"

namespace brisa::platform {

// The Hid seam over hidraw. A read/write open is a real O_RDWR open of the node; a keyboard
// collection refuses it (the system keeps keyboards for itself, and the tool relies on that to
// tell a keyboard board), unless this user may not open its node at all: then it is denied, as
// any board without the udev rule is. A query handle answers the node's identity from sysfs and
// opens the node only when a feature report goes through it, so listing, which asks every
// interface for its product string, needs no access to the nodes and wakes none of their devices.
class HidrawHid final : public Hid {
 public:
  // `catalog`: the device tree's, so that a path it listed opens without another listing.
  explicit HidrawHid(std::shared_ptr<HidrawCatalog> catalog = std::make_shared<HidrawCatalog>());
  HidOpenResult openDevice(std::string_view path, HidAccess access) override;
  bool bluetoothFeatureReportsCarryReportId() const override { return true; }

 private:
  const std::shared_ptr<HidrawCatalog> catalog_;
  std::mutex mutex_;  // libudev contexts are not shared between threads
  UdevPtr udev_;
};

// One open interface. Input reads drain what the kernel has queued and never wait, so there is
// never a read to cancel and no thread can be left inside one. A wait for input sleeps in poll()
// on the node, which a hidraw node reports readable only while a report is queued.
class HidrawDevice final : public HidDevice {
 public:
  // fd: the node opened for reading and writing; -1 for a query handle.
  HidrawDevice(int fd, HidrawNode node, std::size_t collection, HidAccess access);
  ~HidrawDevice() override;
  HidrawDevice(const HidrawDevice&) = delete;
  HidrawDevice& operator=(const HidrawDevice&) = delete;

  std::optional<HidAttributes> attributes() override;
  std::optional<HidCaps> capabilities() override;
  std::optional<std::string> productString() override;
  bool getFeature(std::span<std::uint8_t> buffer) override;
  bool setFeature(std::span<const std::uint8_t> buffer) override;
  InputRead readInput(std::span<std::uint8_t> buffer, std::size_t reportLength) override;
  void cancelInput() override {}
  void waitForInput(Doorbell& bell) override;

 private:
  bool present() const;
  bool queryOnly() const { return access_ == HidAccess::QueryOnly; }
  // A query handle carries feature reports too (a keyboard collection is configured that
  // way), through the node opened for reading at the first of them; -1 when it does not open.
  int featureFd();
  // Input is read only through a read/write handle.
  bool readsInput() const { return !queryOnly() && fd_ >= 0; }
  bool numbered() const;
  bool belongsHere(std::uint8_t reportId) const;

  const HidrawNode node_;
  const std::size_t collection_;
  const HidAccess access_;
  std::mutex fdMutex_;  // a query handle's node is opened by whichever thread needs it first
  int fd_;
  bool opened_;
};

}  // namespace brisa::platform
