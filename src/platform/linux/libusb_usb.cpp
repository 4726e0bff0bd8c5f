#include "platform/linux/libusb_usb.h"

#include <libusb.h>

namespace brisa::platform {
namespace {

// The seam's opaque types stand for libusb's objects; they are never dereferenced as such.
libusb_device_handle* native(UsbDeviceHandle* handle) {
  return reinterpret_cast<libusb_device_handle*>(handle);
}
libusb_device* native(UsbDevice* device) {
  return reinterpret_cast<libusb_device*>(device);
}
UsbDeviceHandle* seam(libusb_device_handle* handle) {
  return reinterpret_cast<UsbDeviceHandle*>(handle);
}
UsbDevice* seam(libusb_device* device) {
  return reinterpret_cast<UsbDevice*>(device);
}

std::vector<std::uint8_t> copyExtra(const unsigned char* extra, int length) {
  if (extra == nullptr || length <= 0) return {};
  return std::vector<std::uint8_t>(extra, extra + length);
}

UsbInterfaceDescriptor copyAltSetting(const libusb_interface_descriptor& in) {
  UsbInterfaceDescriptor out;
  out.bLength = in.bLength;
  out.bDescriptorType = in.bDescriptorType;
  out.bInterfaceNumber = in.bInterfaceNumber;
  out.bAlternateSetting = in.bAlternateSetting;
  out.bNumEndpoints = in.bNumEndpoints;
  out.bInterfaceClass = in.bInterfaceClass;
  out.bInterfaceSubClass = in.bInterfaceSubClass;
  out.bInterfaceProtocol = in.bInterfaceProtocol;
  out.iInterface = in.iInterface;
  for (int e = 0; e < in.bNumEndpoints; ++e) {
    const libusb_endpoint_descriptor& ep = in.endpoint[e];
    out.endpoint.push_back({ep.bLength, ep.bDescriptorType, ep.bEndpointAddress, ep.bmAttributes,
                            ep.wMaxPacketSize, ep.bInterval, copyExtra(ep.extra, ep.extra_length)});
  }
  out.extra = copyExtra(in.extra, in.extra_length);
  return out;
}

}  // namespace

LibusbUsb::~LibusbUsb() {
  if (context_ != nullptr) libusb_exit(context_);
}

int LibusbUsb::init() {
  if (context_ != nullptr) return kUsbSuccess;
  libusb_context* context = nullptr;
  const int result = libusb_init(&context);
  if (result == LIBUSB_SUCCESS) context_ = context;
  return result;
}

UsbDeviceHandle* LibusbUsb::openDeviceWithVidPid(std::uint16_t vendorId, std::uint16_t productId) {
  if (context_ == nullptr) return nullptr;
  return seam(libusb_open_device_with_vid_pid(context_, vendorId, productId));
}

void LibusbUsb::close(UsbDeviceHandle* handle) {
  if (handle != nullptr) libusb_close(native(handle));
}

UsbDevice* LibusbUsb::getDevice(UsbDeviceHandle* handle) {
  return seam(libusb_get_device(native(handle)));
}

UsbDevice* LibusbUsb::refDevice(UsbDevice* device) {
  return seam(libusb_ref_device(native(device)));
}

void LibusbUsb::unrefDevice(UsbDevice* device) {
  libusb_unref_device(native(device));
}

int LibusbUsb::getDeviceDescriptor(UsbDevice* device, UsbDeviceDescriptor& out) {
  libusb_device_descriptor in{};
  const int result = libusb_get_device_descriptor(native(device), &in);
  if (result < 0) return result;
  out = {in.bLength,         in.bDescriptorType,   in.bcdUSB,          in.bDeviceClass,
         in.bDeviceSubClass, in.bDeviceProtocol,   in.bMaxPacketSize0, in.idVendor,
         in.idProduct,       in.bcdDevice,         in.iManufacturer,   in.iProduct,
         in.iSerialNumber,   in.bNumConfigurations};
  return result;
}

int LibusbUsb::getConfigDescriptor(UsbDevice* device, std::uint8_t configIndex,
                                   UsbConfigDescriptor& out) {
  libusb_config_descriptor* in = nullptr;
  const int result = libusb_get_config_descriptor(native(device), configIndex, &in);
  if (result < 0 || in == nullptr) return result < 0 ? result : kUsbErrorOther;
  out = UsbConfigDescriptor{};
  out.bLength = in->bLength;
  out.bDescriptorType = in->bDescriptorType;
  out.wTotalLength = in->wTotalLength;
  out.bNumInterfaces = in->bNumInterfaces;
  out.bConfigurationValue = in->bConfigurationValue;
  out.iConfiguration = in->iConfiguration;
  out.bmAttributes = in->bmAttributes;
  out.MaxPower = in->MaxPower;
  for (int i = 0; i < in->bNumInterfaces; ++i) {
    UsbInterface& interface = out.interface.emplace_back();
    for (int a = 0; a < in->interface[i].num_altsetting; ++a) {
      interface.altsetting.push_back(copyAltSetting(in->interface[i].altsetting[a]));
    }
  }
  out.extra = copyExtra(in->extra, in->extra_length);
  libusb_free_config_descriptor(in);
  return result;
}

std::uint8_t LibusbUsb::getBusNumber(UsbDevice* device) {
  return libusb_get_bus_number(native(device));
}

std::uint8_t LibusbUsb::getDeviceAddress(UsbDevice* device) {
  return libusb_get_device_address(native(device));
}

int LibusbUsb::claimInterface(UsbDeviceHandle* handle, int interfaceNumber) {
  return libusb_claim_interface(native(handle), interfaceNumber);
}

int LibusbUsb::setInterfaceAltSetting(UsbDeviceHandle* handle, int interfaceNumber,
                                      int alternateSetting) {
  return libusb_set_interface_alt_setting(native(handle), interfaceNumber, alternateSetting);
}

int LibusbUsb::controlTransfer(UsbDeviceHandle* handle, std::uint8_t requestType,
                               std::uint8_t request, std::uint16_t value, std::uint16_t index,
                               std::uint8_t* data, std::uint16_t length, unsigned timeoutMs) {
  return libusb_control_transfer(native(handle), requestType, request, value, index, data, length,
                                 timeoutMs != 0 ? timeoutMs : longestTimeoutMs_);
}

const char* LibusbUsb::errorName(int code) {
  return libusb_error_name(code);
}

}  // namespace brisa::platform
