#pragma once

// A simulated USB device behind an emulated usbdevfs node (umockdev), so libusb, and programs
// that use it, reach the same device model the in-process seam serves. Needs umockdev's
// LD_PRELOAD (run under umockdev-wrapper).
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/dfuse_bootloader.h"
#include "platform/sim/usb_device_model.h"

namespace brisa::platform::sim {

inline int urbStatus(UsbOutcome outcome) {
  switch (outcome) {
    case UsbOutcome::kOk:
      return 0;
    case UsbOutcome::kStall:
      return -EPIPE;
    case UsbOutcome::kGone:
      return -ENODEV;
    default:
      return -EPROTO;
  }
}

inline int ioctlErrno(UsbOutcome outcome) {
  switch (outcome) {
    case UsbOutcome::kBusy:
      return EBUSY;
    case UsbOutcome::kGone:
      return ENODEV;
    case UsbOutcome::kNotFound:
      return EINVAL;
    case UsbOutcome::kDenied:
      return EACCES;
    default:
      return EPIPE;
  }
}

// Serves the usbdevfs requests libusb makes from a device model: control URBs, interface claims
// and alternate settings. Completed URBs wait in a queue until the host reaps them; one the
// device never answers waits until the host gives up on it and discards it.
class UsbdevfsHandler {
 public:
  explicit UsbdevfsHandler(UsbDeviceModel& model)
      : model_(model), base_(umockdev_ioctl_base_new()) {
    g_signal_connect(base_, "handle-ioctl", G_CALLBACK(&UsbdevfsHandler::onIoctl), this);
  }
  ~UsbdevfsHandler() {
    for (UMockdevIoctlData* urb : done_) g_object_unref(urb);
    for (UMockdevIoctlData* urb : unanswered_) g_object_unref(urb);
    g_object_unref(base_);
  }
  UsbdevfsHandler(const UsbdevfsHandler&) = delete;
  UsbdevfsHandler& operator=(const UsbdevfsHandler&) = delete;

  UMockdevIoctlBase* base() const { return base_; }
  // Control requests the host has sent so far.
  unsigned submitted() const { return submitted_; }

 private:
  static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    static_cast<UsbdevfsHandler*>(self)->handle(client);
    return TRUE;
  }

  void fail(UMockdevIoctlClient* client, int error) {
    umockdev_ioctl_client_complete(client, -1, error);
  }

  void handle(UMockdevIoctlClient* client) {
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    switch (request) {
      case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, 4, nullptr);
        guint32 value = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
        umockdev_ioctl_data_update(caps, 0, reinterpret_cast<guint8*>(&value), 4);
        umockdev_ioctl_client_complete(client, 0, 0);
        g_object_unref(caps);
        return;
      }
      case USBDEVFS_CLAIMINTERFACE: {
        UMockdevIoctlData* value = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned), nullptr);
        unsigned number = 0;
        std::memcpy(&number, value->data, sizeof number);
        g_object_unref(value);
        const UsbOutcome outcome = model_.claimInterface(static_cast<std::uint8_t>(number));
        if (outcome != UsbOutcome::kOk) return fail(client, ioctlErrno(outcome));
        umockdev_ioctl_client_complete(client, 0, 0);
        return;
      }
      case USBDEVFS_SETINTERFACE: {
        UMockdevIoctlData* value =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_setinterface), nullptr);
        usbdevfs_setinterface set{};
        std::memcpy(&set, value->data, sizeof set);
        g_object_unref(value);
        const UsbOutcome outcome = model_.setInterface(static_cast<std::uint8_t>(set.interface),
                                                       static_cast<std::uint8_t>(set.altsetting));
        if (outcome != UsbOutcome::kOk) return fail(client, ioctlErrno(outcome));
        umockdev_ioctl_client_complete(client, 0, 0);
        return;
      }
      case USBDEVFS_RELEASEINTERFACE:
      case USBDEVFS_RESET:
      case USBDEVFS_CLEAR_HALT:
        umockdev_ioctl_client_complete(client, 0, 0);
        return;
      case USBDEVFS_SUBMITURB:
        return submit(client, arg);
      case USBDEVFS_DISCARDURB:
        return discard(client);
      case USBDEVFS_REAPURB:
      case USBDEVFS_REAPURBNDELAY:
        return reap(client, arg);
      default:
        return fail(client, ENOTTY);
    }
  }

  void submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    if (!model_.present()) return fail(client, ENODEV);
    ++submitted_;
    UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
    UMockdevIoctlData* buffer =
        umockdev_ioctl_data_resolve(urbData, G_STRUCT_OFFSET(usbdevfs_urb, buffer),
                                    static_cast<gsize>(urb->buffer_length), nullptr);
    bool answered = true;
    if (urb->type != USBDEVFS_URB_TYPE_CONTROL || urb->buffer_length < 8) {
      urb->status = -EPIPE;
      urb->actual_length = 0;
    } else {
      const guint8* raw = buffer->data;
      const UsbSetup setup{raw[0], raw[1], static_cast<std::uint16_t>(raw[2] | raw[3] << 8),
                           static_cast<std::uint16_t>(raw[4] | raw[5] << 8),
                           static_cast<std::uint16_t>(raw[6] | raw[7] << 8)};
      const std::size_t room = static_cast<std::size_t>(urb->buffer_length) - 8;
      const UsbReply reply = model_.control(
          setup,
          std::span<std::uint8_t>(buffer->data + 8, std::min<std::size_t>(room, setup.wLength)));
      answered = reply.outcome != UsbOutcome::kTimeout;
      urb->status = urbStatus(reply.outcome);
      urb->actual_length = reply.outcome == UsbOutcome::kOk ? static_cast<int>(reply.length) : 0;
    }
    g_object_unref(buffer);
    {
      std::lock_guard lock(mutex_);
      // Kept until reaped; its changes travel back then.
      (answered ? done_ : unanswered_).push_back(urbData);
    }
    umockdev_ioctl_client_complete(client, 0, 0);
  }

  // The host gave up waiting: the URB it discards comes back cancelled.
  void discard(UMockdevIoctlClient* client) {
    std::lock_guard lock(mutex_);
    if (unanswered_.empty()) return fail(client, EINVAL);
    UMockdevIoctlData* urbData = unanswered_.front();
    unanswered_.pop_front();
    auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
    urb->status = -ENOENT;
    urb->actual_length = 0;
    done_.push_back(urbData);
    umockdev_ioctl_client_complete(client, 0, 0);
  }

  void reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    UMockdevIoctlData* urb = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (!done_.empty()) {
        urb = done_.front();
        done_.pop_front();
      }
    }
    if (urb == nullptr) return fail(client, EAGAIN);
    UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
    umockdev_ioctl_data_set_ptr(slot, 0, urb);
    umockdev_ioctl_client_complete(client, 0, 0);
    g_object_unref(slot);
    g_object_unref(urb);
  }

  UsbDeviceModel& model_;
  UMockdevIoctlBase* base_;
  std::mutex mutex_;
  std::deque<UMockdevIoctlData*> done_;
  std::deque<UMockdevIoctlData*> unanswered_;
  std::atomic<unsigned> submitted_{0};
};

inline std::string hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char digits[3];
  for (std::uint8_t b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    out += digits;
  }
  return out;
}

// A simulated bootloader plugged into a fresh umockdev testbed: listed by libusb (and by any
// program started from this process) and served by the model. False when the testbed refused it.
class UmockdevBootloader {
 public:
  UmockdevBootloader() : testbed_(umockdev_testbed_new()) {}
  ~UmockdevBootloader() {
    handler_.reset();
    g_object_unref(testbed_);
  }
  UmockdevBootloader(const UmockdevBootloader&) = delete;
  UmockdevBootloader& operator=(const UmockdevBootloader&) = delete;

  bool plugIn(BootloaderSpec spec) {
    bootloader_ = std::make_shared<DfuseBootloader>(std::move(spec));
    const BootloaderSpec& s = bootloader_->spec();
    char bus[8], address[8], ids[64];
    std::snprintf(bus, sizeof bus, "%03u", unsigned{s.busNumber});
    std::snprintf(address, sizeof address, "%03u", unsigned{s.deviceAddress});
    std::snprintf(ids, sizeof ids, "A: idVendor=%04x\\n\nA: idProduct=%04x\\n\n",
                  unsigned{s.vendorId}, unsigned{s.productId});
    const std::string busNumber = std::to_string(s.busNumber);
    const std::string description =
        "P: /devices/pci0000:00/0000:00:14.0/usb" + busNumber + "/" + busNumber + "-1\n" +
        "N: bus/usb/" + bus + "/" + address + "\n" +
        "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=/dev/bus/usb/" + bus + "/" + address +
        "\nE: BUSNUM=" + bus + "\nE: DEVNUM=" + address + "\n" + "A: busnum=" + busNumber +
        "\\n\nA: devnum=" + std::to_string(s.deviceAddress) + "\\n\nA: speed=12\\n\n" + ids +
        "A: bConfigurationValue=1\\n\n" +
        "A: bNumConfigurations=" + std::to_string(s.configurations.size()) + "\\n\n" +
        "H: descriptors=" + hex(sysfsDescriptors(*bootloader_)) + "\n";
    if (!umockdev_testbed_add_from_string(testbed_, description.c_str(), nullptr)) return false;
    handler_ = std::make_unique<UsbdevfsHandler>(*bootloader_);
    char node[64];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", unsigned{s.busNumber},
                  unsigned{s.deviceAddress});
    return umockdev_testbed_attach_ioctl(testbed_, node, handler_->base(), nullptr);
  }

  const std::shared_ptr<DfuseBootloader>& bootloader() const { return bootloader_; }
  unsigned requests() const { return handler_ ? handler_->submitted() : 0; }

 private:
  UMockdevTestbed* testbed_;
  std::shared_ptr<DfuseBootloader> bootloader_;
  std::unique_ptr<UsbdevfsHandler> handler_;
};

}  // namespace brisa::platform::sim
