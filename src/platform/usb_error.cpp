#include "platform/usb.h"

namespace brisa::platform {

const char* usbErrorName(int code) {
  switch (code) {
    case kUsbSuccess:
      return "LIBUSB_SUCCESS / LIBUSB_TRANSFER_COMPLETED";
    case kUsbErrorIo:
      return "LIBUSB_ERROR_IO";
    case kUsbErrorInvalidParam:
      return "LIBUSB_ERROR_INVALID_PARAM";
    case kUsbErrorAccess:
      return "LIBUSB_ERROR_ACCESS";
    case kUsbErrorNoDevice:
      return "LIBUSB_ERROR_NO_DEVICE";
    case kUsbErrorNotFound:
      return "LIBUSB_ERROR_NOT_FOUND";
    case kUsbErrorBusy:
      return "LIBUSB_ERROR_BUSY";
    case kUsbErrorTimeout:
      return "LIBUSB_ERROR_TIMEOUT";
    case kUsbErrorOverflow:
      return "LIBUSB_ERROR_OVERFLOW";
    case kUsbErrorPipe:
      return "LIBUSB_ERROR_PIPE";
    case kUsbErrorInterrupted:
      return "LIBUSB_ERROR_INTERRUPTED";
    case kUsbErrorNoMem:
      return "LIBUSB_ERROR_NO_MEM";
    case kUsbErrorNotSupported:
      return "LIBUSB_ERROR_NOT_SUPPORTED";
    case kUsbErrorOther:
      return "LIBUSB_ERROR_OTHER";
    // libusb names its transfer statuses through the same call.
    case 1:
      return "LIBUSB_TRANSFER_ERROR";
    case 2:
      return "LIBUSB_TRANSFER_TIMED_OUT";
    case 3:
      return "LIBUSB_TRANSFER_CANCELLED";
    case 4:
      return "LIBUSB_TRANSFER_STALL";
    case 5:
      return "LIBUSB_TRANSFER_NO_DEVICE";
    case 6:
      return "LIBUSB_TRANSFER_OVERFLOW";
    default:
      return "**UNKNOWN**";
  }
}

}  // namespace brisa::platform
