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
// any board without the udev rule is. A query open reads the node's identity and works without
// access to the node, as listing must.
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
  // fd: open node, or -1 for a query handle without access to the node.
  HidrawDevice(int fd, HidrawNode node, std::size_t collection, HidAccess access);
  ~HidrawDevice() override;
  HidrawDevice(const HidrawDevice&) = delete;
  HidrawDevice& operator=(const HidrawDevice&) = delete;

  std::optional<HidAttributes> attributes() override;
  std::optional<HidCaps> capabilities() override;
  std::optional<std::string> productString() override;
  bool getFeature(std::span<std::uint8_t> buffer) override;
  bool setFeature(std::span<const std::uint8_t> buffer) override;
  InputRead readInput(std::span<std::uint8_t> buffer) override;
  void cancelInput() override {}
  void waitForInput(Doorbell& bell) override;

 private:
  bool present() const;
  // A query handle carries feature reports too (a keyboard collection is configured that
  // way); input is read only through a read/write one.
  bool exchangesFeatures() const { return fd_ >= 0; }
  bool readsInput() const { return fd_ >= 0 && access_ == HidAccess::ReadWrite; }
  bool numbered() const;
  bool belongsHere(std::uint8_t reportId) const;

  const int fd_;
  const HidrawNode node_;
  const std::size_t collection_;
  const HidAccess access_;
};

}  // namespace brisa::platform
