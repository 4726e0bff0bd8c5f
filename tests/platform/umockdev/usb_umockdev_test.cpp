// The simulated bootloader as a real host sees it: an emulated usbdevfs node (umockdev) served
// by the same device model, read through libusb by our Linux backend and by dfu-util.
#include <gtest/gtest.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>

#include "platform/linux/libusb_usb.h"
#include "platform/sim/dfuse_bootloader.h"
#include "platform/sim/sim_usb.h"
#include "support/require_tool.h"

namespace brisa::platform::sim {
namespace {

int urbStatus(UsbOutcome outcome) {
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

int ioctlErrno(UsbOutcome outcome) {
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
// and alternate settings. Completed URBs wait in a queue until the host reaps them.
class UsbdevfsHandler {
 public:
  explicit UsbdevfsHandler(UsbDeviceModel& model)
      : model_(model), base_(umockdev_ioctl_base_new()) {
    g_signal_connect(base_, "handle-ioctl", G_CALLBACK(&UsbdevfsHandler::onIoctl), this);
  }
  ~UsbdevfsHandler() {
    for (UMockdevIoctlData* urb : done_) g_object_unref(urb);
    g_object_unref(base_);
  }
  UMockdevIoctlBase* base() const { return base_; }

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
      case USBDEVFS_REAPURB:
      case USBDEVFS_REAPURBNDELAY:
        return reap(client, arg);
      default:
        return fail(client, ENOTTY);
    }
  }

  void submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    if (!model_.present()) return fail(client, ENODEV);
    UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
    UMockdevIoctlData* buffer =
        umockdev_ioctl_data_resolve(urbData, G_STRUCT_OFFSET(usbdevfs_urb, buffer),
                                    static_cast<gsize>(urb->buffer_length), nullptr);
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
      urb->status = urbStatus(reply.outcome);
      urb->actual_length = reply.outcome == UsbOutcome::kOk ? static_cast<int>(reply.length) : 0;
    }
    g_object_unref(buffer);
    {
      std::lock_guard lock(mutex_);
      done_.push_back(urbData);  // kept until reaped; its changes travel back then
    }
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
};

std::string hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char digits[3];
  for (std::uint8_t b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    out += digits;
  }
  return out;
}

class UsbUmockdev : public ::testing::Test {
 protected:
  void plugIn(BootloaderSpec spec = {}) {
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
    ASSERT_TRUE(umockdev_testbed_add_from_string(testbed_, description.c_str(), nullptr));
    handler_ = std::make_unique<UsbdevfsHandler>(*bootloader_);
    char node[64];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", unsigned{s.busNumber},
                  unsigned{s.deviceAddress});
    ASSERT_TRUE(umockdev_testbed_attach_ioctl(testbed_, node, handler_->base(), nullptr));
  }

  void SetUp() override {
    testbed_ = umockdev_testbed_new();
    BRISA_REQUIRE_TOOL(umockdev_in_mock_environment(), "umockdev-wrapper (run through ctest)");
  }
  void TearDown() override { unplug(); }

  // Removes the device and starts an empty testbed, for the next plugIn().
  void unplug() {
    handler_.reset();
    if (testbed_ != nullptr) g_object_unref(testbed_);
    testbed_ = nullptr;
  }
  void replug(BootloaderSpec spec) {
    unplug();
    testbed_ = umockdev_testbed_new();
    plugIn(std::move(spec));
  }

  UMockdevTestbed* testbed_ = nullptr;
  std::shared_ptr<DfuseBootloader> bootloader_;
  std::unique_ptr<UsbdevfsHandler> handler_;
};

void expectSameConfig(const UsbConfigDescriptor& real, const UsbConfigDescriptor& sim) {
  EXPECT_EQ(real.wTotalLength, sim.wTotalLength);
  EXPECT_EQ(real.bNumInterfaces, sim.bNumInterfaces);
  EXPECT_EQ(real.bConfigurationValue, sim.bConfigurationValue);
  EXPECT_EQ(real.extra, sim.extra);
  ASSERT_EQ(real.interface.size(), sim.interface.size());
  for (std::size_t i = 0; i < real.interface.size(); ++i) {
    const auto& r = real.interface[i].altsetting;
    const auto& s = sim.interface[i].altsetting;
    ASSERT_EQ(r.size(), s.size());
    for (std::size_t a = 0; a < r.size(); ++a) {
      SCOPED_TRACE(a);
      EXPECT_EQ(r[a].bAlternateSetting, s[a].bAlternateSetting);
      EXPECT_EQ(r[a].bInterfaceClass, s[a].bInterfaceClass);
      EXPECT_EQ(r[a].bInterfaceSubClass, s[a].bInterfaceSubClass);
      EXPECT_EQ(r[a].bInterfaceProtocol, s[a].bInterfaceProtocol);
      EXPECT_EQ(r[a].iInterface, s[a].iInterface);
      EXPECT_EQ(r[a].extra, s[a].extra);
    }
  }
}

// libusb itself parses the same raw descriptors the in-process seam parses: both must agree.
TEST_F(UsbUmockdev, LibusbSeesWhatTheInProcessSeamShows) {
  struct Case {
    const char* what;
    FunctionalPlacement placement;
    std::vector<std::uint8_t> functional;
  };
  const Case cases[] = {
      {"STM32", FunctionalPlacement::kAfterLastAltSetting, {}},
      {"in the configuration", FunctionalPlacement::kConfigExtra, {}},
      {"twelve bytes",
       FunctionalPlacement::kAfterEachAltSetting,
       {12, 0x21, 0x0B, 0xFF, 0, 0, 0x08, 0x1A, 0x01, 1, 2, 3}},
      {"claims more than there is",
       FunctionalPlacement::kAfterLastAltSetting,
       {20, 0x21, 0x0B, 0xFF, 0, 0, 0x08, 0x1A, 0x01}},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.what);
    BootloaderSpec spec;
    spec.functionalPlacement = each.placement;
    if (!each.functional.empty()) spec.functionalBytes = each.functional;
    replug(spec);

    LibusbUsb real;
    ASSERT_EQ(real.init(), kUsbSuccess);
    UsbDeviceHandle* handle = real.openDeviceWithVidPid(0x0483, 0xDF11);
    ASSERT_NE(handle, nullptr);
    SimUsb sim;
    sim.attach(bootloader_);
    sim.init();
    UsbDeviceHandle* simHandle = sim.openDeviceWithVidPid(0x0483, 0xDF11);

    UsbDevice* device = real.getDevice(handle);
    UsbDeviceDescriptor realDevice, simDevice;
    ASSERT_EQ(real.getDeviceDescriptor(device, realDevice), kUsbSuccess);
    sim.getDeviceDescriptor(sim.getDevice(simHandle), simDevice);
    EXPECT_EQ(realDevice.idVendor, simDevice.idVendor);
    EXPECT_EQ(realDevice.bcdDevice, simDevice.bcdDevice);
    EXPECT_EQ(realDevice.bMaxPacketSize0, simDevice.bMaxPacketSize0);
    EXPECT_EQ(realDevice.iSerialNumber, simDevice.iSerialNumber);
    EXPECT_EQ(real.getBusNumber(device), sim.getBusNumber(sim.getDevice(simHandle)));
    EXPECT_EQ(real.getDeviceAddress(device), sim.getDeviceAddress(sim.getDevice(simHandle)));

    UsbConfigDescriptor realConfig, simConfig;
    ASSERT_EQ(real.getConfigDescriptor(device, 0, realConfig), kUsbSuccess);
    ASSERT_EQ(sim.getConfigDescriptor(sim.getDevice(simHandle), 0, simConfig), kUsbSuccess);
    expectSameConfig(realConfig, simConfig);

    // A stalled status request reaches the host as LIBUSB_ERROR_PIPE.
    EXPECT_EQ(real.claimInterface(handle, 0), kUsbSuccess);
    bootloader_->faults().requests.push_back({.bRequest = 3});
    std::uint8_t status[6] = {};
    EXPECT_EQ(real.controlTransfer(handle, 0xA1, 3, 0, 0, status, 6, 5000), kUsbErrorPipe);
    EXPECT_EQ(real.controlTransfer(handle, 0xA1, 3, 0, 0, status, 6, 5000), 6);
    EXPECT_EQ(status[4], kDfuIdle);
    real.close(handle);
    sim.close(simHandle);
  }
}

// dfu-util, a DFU host we did not write, lists the bootloader and writes an image into it.
TEST_F(UsbUmockdev, DfuUtilDownloadsAnImage) {
  const char* dfuUtil = std::getenv("DFU_UTIL");
  BRISA_REQUIRE_TOOL(dfuUtil != nullptr && *dfuUtil != '\0', "dfu-util");
  plugIn();
  std::vector<std::uint8_t> image(20 * 1024 + 333);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 13 + 1);
  char path[] = "/tmp/brisa-dfu-image-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, image.data(), image.size()), static_cast<ssize_t>(image.size()));
  close(fd);

  const std::string listPath = std::string(path) + ".list";
  const std::string logPath = std::string(path) + ".log";
  const std::string list = std::string(dfuUtil) + " -l > " + listPath + " 2>&1";
  EXPECT_EQ(std::system(list.c_str()), 0);
  std::ifstream listed(listPath);
  const std::string text((std::istreambuf_iterator<char>(listed)), {});
  EXPECT_NE(text.find("[0483:df11]"), std::string::npos) << text;
  EXPECT_NE(text.find("name=\"@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg\""),
            std::string::npos)
      << text;

  const std::string download = std::string(dfuUtil) + " -d 0483:df11 -a 0 -s 0x08000000 -D " +
                               path + " > " + logPath + " 2>&1";
  const int rc = std::system(download.c_str());
  std::ifstream log(logPath);
  const std::string output((std::istreambuf_iterator<char>(log)), {});
  EXPECT_EQ(rc, 0) << output;
  EXPECT_EQ(bootloader_->flash().read(0x08000000, image.size()), image) << output;
  EXPECT_EQ(bootloader_->flash().erasedPages(),
            (std::vector<std::uint32_t>{0x08000000, 0x08004000}));
  std::remove(path);
  std::remove(listPath.c_str());
  std::remove(logPath.c_str());
}

}  // namespace
}  // namespace brisa::platform::sim
