#include <gtest/gtest.h>
#include <libusb.h>

#include <cstring>

#include "platform/linux/libusb_usb.h"

namespace brisa::platform {
namespace {

TEST(UsbLinux, InitSucceedsAndBootloaderAbsentOpensNothing) {
  LibusbUsb usb;
  ASSERT_EQ(usb.init(), kUsbSuccess);
  // The build machines have no DfuSe bootloader attached.
  EXPECT_EQ(usb.openDeviceWithVidPid(0x0483, 0xDF11), nullptr);
}

TEST(UsbLinux, NothingOpensBeforeInit) {
  LibusbUsb usb;
  EXPECT_EQ(usb.openDeviceWithVidPid(0x0483, 0xDF11), nullptr);
}

TEST(UsbLinux, ErrorNamesAreLibusbs) {
  LibusbUsb usb;
  for (int code = -120; code <= 10; ++code) {
    SCOPED_TRACE(code);
    EXPECT_STREQ(usbErrorName(code), libusb_error_name(code));
    EXPECT_STREQ(usb.errorName(code), libusb_error_name(code));
  }
  EXPECT_EQ(kUsbErrorPipe, LIBUSB_ERROR_PIPE);
  EXPECT_EQ(kUsbErrorTimeout, LIBUSB_ERROR_TIMEOUT);
  EXPECT_EQ(kUsbErrorNoDevice, LIBUSB_ERROR_NO_DEVICE);
  EXPECT_EQ(kUsbErrorOther, LIBUSB_ERROR_OTHER);
}

}  // namespace
}  // namespace brisa::platform
