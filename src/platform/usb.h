#pragma once

#include <cstdint>
#include <vector>

namespace brisa::platform {

// Error codes as libusb-1.0 numbers them, so results and their names read the same on every
// backend.
enum UsbError : int {
  kUsbSuccess = 0,
  kUsbErrorIo = -1,
  kUsbErrorInvalidParam = -2,
  kUsbErrorAccess = -3,
  kUsbErrorNoDevice = -4,
  kUsbErrorNotFound = -5,
  kUsbErrorBusy = -6,
  kUsbErrorTimeout = -7,
  kUsbErrorOverflow = -8,
  kUsbErrorPipe = -9,
  kUsbErrorInterrupted = -10,
  kUsbErrorNoMem = -11,
  kUsbErrorNotSupported = -12,
  kUsbErrorOther = -99,
};

// The name libusb_error_name() gives a code ("LIBUSB_ERROR_PIPE", "**UNKNOWN**" for others).
const char* usbErrorName(int code);

// Standard request values the DFU code sends on its own (string and functional descriptors).
inline constexpr std::uint8_t kUsbRequestTypeStandardIn = 0x80;  // device to host, standard, device
inline constexpr std::uint8_t kUsbRequestGetDescriptor = 6;
inline constexpr std::uint8_t kUsbDescriptorTypeDevice = 0x01;
inline constexpr std::uint8_t kUsbDescriptorTypeConfig = 0x02;
inline constexpr std::uint8_t kUsbDescriptorTypeString = 0x03;
inline constexpr std::uint8_t kUsbDescriptorTypeInterface = 0x04;
inline constexpr std::uint8_t kUsbDescriptorTypeEndpoint = 0x05;
inline constexpr std::uint8_t kUsbDescriptorTypeDfuFunctional = 0x21;

// Field names follow the USB descriptors (and libusb's structures) one to one.
struct UsbDeviceDescriptor {
  std::uint8_t bLength = 0;
  std::uint8_t bDescriptorType = 0;
  std::uint16_t bcdUSB = 0;
  std::uint8_t bDeviceClass = 0;
  std::uint8_t bDeviceSubClass = 0;
  std::uint8_t bDeviceProtocol = 0;
  std::uint8_t bMaxPacketSize0 = 0;
  std::uint16_t idVendor = 0;
  std::uint16_t idProduct = 0;
  std::uint16_t bcdDevice = 0;
  std::uint8_t iManufacturer = 0;
  std::uint8_t iProduct = 0;
  std::uint8_t iSerialNumber = 0;
  std::uint8_t bNumConfigurations = 0;
};

struct UsbEndpointDescriptor {
  std::uint8_t bLength = 0;
  std::uint8_t bDescriptorType = 0;
  std::uint8_t bEndpointAddress = 0;
  std::uint8_t bmAttributes = 0;
  std::uint16_t wMaxPacketSize = 0;
  std::uint8_t bInterval = 0;
  std::vector<std::uint8_t> extra;
};

// One alternate setting of an interface. `extra` holds the class-specific descriptors that
// follow it (a DFU functional descriptor lives there), as libusb collects them.
struct UsbInterfaceDescriptor {
  std::uint8_t bLength = 0;
  std::uint8_t bDescriptorType = 0;
  std::uint8_t bInterfaceNumber = 0;
  std::uint8_t bAlternateSetting = 0;
  std::uint8_t bNumEndpoints = 0;
  std::uint8_t bInterfaceClass = 0;
  std::uint8_t bInterfaceSubClass = 0;
  std::uint8_t bInterfaceProtocol = 0;
  std::uint8_t iInterface = 0;
  std::vector<UsbEndpointDescriptor> endpoint;
  std::vector<std::uint8_t> extra;
};

// An interface: its alternate settings in descriptor order.
struct UsbInterface {
  std::vector<UsbInterfaceDescriptor> altsetting;
};

// A configuration; `extra` holds descriptors standing before its first interface.
struct UsbConfigDescriptor {
  std::uint8_t bLength = 0;
  std::uint8_t bDescriptorType = 0;
  std::uint16_t wTotalLength = 0;
  std::uint8_t bNumInterfaces = 0;
  std::uint8_t bConfigurationValue = 0;
  std::uint8_t iConfiguration = 0;
  std::uint8_t bmAttributes = 0;
  std::uint8_t MaxPower = 0;
  std::vector<UsbInterface> interface;  // bNumInterfaces entries
  std::vector<std::uint8_t> extra;
};

// A device the backend knows (libusb_device): reference counted, outlives a closed handle
// while a reference is held.
class UsbDevice {
 protected:
  ~UsbDevice() = default;
};

// An open device (libusb_device_handle).
class UsbDeviceHandle {
 protected:
  ~UsbDeviceHandle() = default;
};

// What the DFU code needs of libusb-1.0, and nothing more. Results are libusb's: 0 or a byte
// count on success, a negative UsbError on failure. The object is the library context: after
// a successful init() it opens devices; before, or after a failed one, nothing opens.
class Usb {
 public:
  virtual ~Usb() = default;

  // libusb_init.
  virtual int init() = 0;

  // libusb_open_device_with_vid_pid: the first listed device with those ids, opened; null when
  // there is none or that one does not open.
  virtual UsbDeviceHandle* openDeviceWithVidPid(std::uint16_t vendorId,
                                                std::uint16_t productId) = 0;
  // libusb_close. The handle must not be used afterwards.
  virtual void close(UsbDeviceHandle* handle) = 0;

  // libusb_get_device: the handle's device, without a new reference.
  virtual UsbDevice* getDevice(UsbDeviceHandle* handle) = 0;
  // libusb_ref_device / libusb_unref_device.
  virtual UsbDevice* refDevice(UsbDevice* device) = 0;
  virtual void unrefDevice(UsbDevice* device) = 0;

  // libusb_get_device_descriptor (cached by the system: no request goes to the device).
  virtual int getDeviceDescriptor(UsbDevice* device, UsbDeviceDescriptor& out) = 0;
  // libusb_get_config_descriptor by index (0 .. bNumConfigurations - 1), parsed as libusb
  // parses it; kUsbErrorNotFound past the last one, kUsbErrorIo for a malformed one.
  virtual int getConfigDescriptor(UsbDevice* device, std::uint8_t configIndex,
                                  UsbConfigDescriptor& out) = 0;
  // libusb_get_bus_number / libusb_get_device_address.
  virtual std::uint8_t getBusNumber(UsbDevice* device) = 0;
  virtual std::uint8_t getDeviceAddress(UsbDevice* device) = 0;

  // libusb_claim_interface / libusb_set_interface_alt_setting.
  virtual int claimInterface(UsbDeviceHandle* handle, int interfaceNumber) = 0;
  virtual int setInterfaceAltSetting(UsbDeviceHandle* handle, int interfaceNumber,
                                     int alternateSetting) = 0;

  // libusb_control_transfer: the count of bytes transferred, or a negative UsbError
  // (kUsbErrorPipe for a stalled request, kUsbErrorTimeout, kUsbErrorNoDevice once the device
  // has gone). For device-to-host requests (bit 7 of requestType) data receives up to length
  // bytes; otherwise length bytes of data are sent. A time-out of 0 is not "for ever": a
  // backend bounds it.
  virtual int controlTransfer(UsbDeviceHandle* handle, std::uint8_t requestType,
                              std::uint8_t request, std::uint16_t value, std::uint16_t index,
                              std::uint8_t* data, std::uint16_t length, unsigned timeoutMs) = 0;

  // libusb_error_name.
  virtual const char* errorName(int code) { return usbErrorName(code); }
};

}  // namespace brisa::platform
