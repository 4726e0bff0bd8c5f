#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/dfuse_flash.h"
#include "platform/sim/usb_device_model.h"

namespace brisa::platform::sim {

// DFU 1.1 states (bState) and statuses (bStatus).
enum DfuState : std::uint8_t {
  kAppIdle = 0,
  kAppDetach = 1,
  kDfuIdle = 2,
  kDfuDnloadSync = 3,
  kDfuDnbusy = 4,
  kDfuDnloadIdle = 5,
  kDfuManifestSync = 6,
  kDfuManifest = 7,
  kDfuManifestWaitReset = 8,
  kDfuUploadIdle = 9,
  kDfuError = 10,
};

enum DfuStatusCode : std::uint8_t {
  kStatusOk = 0,
  kErrTarget = 1,
  kErrFile = 2,
  kErrWrite = 3,
  kErrErase = 4,
  kErrCheckErased = 5,
  kErrProg = 6,
  kErrVerify = 7,
  kErrAddress = 8,
  kErrNotDone = 9,
  kErrFirmware = 10,
  kErrVendor = 11,
  kErrUsbr = 12,
  kErrPor = 13,
  kErrUnknown = 14,
  kErrStalledPkt = 15,
};

// DFU class requests (bRequest).
enum DfuRequest : std::uint8_t {
  kDfuDetach = 0,
  kDfuDnload = 1,
  kDfuUpload = 2,
  kDfuGetStatus = 3,
  kDfuClrStatus = 4,
  kDfuGetState = 5,
  kDfuAbort = 6,
};

// DfuSe commands, byte 0 of a download to block 0.
inline constexpr std::uint8_t kDfuseGetCommands = 0x00;
inline constexpr std::uint8_t kDfuseSetAddress = 0x21;
inline constexpr std::uint8_t kDfuseErasePage = 0x41;

// The DFU functional descriptor's fields; bytes() gives the 9 bytes a device sends.
struct DfuFunctional {
  std::uint8_t bmAttributes = 0x0B;  // can download, can upload, will detach
  std::uint16_t wDetachTimeOut = 255;
  std::uint16_t wTransferSize = 2048;
  std::uint16_t bcdDFUVersion = 0x011A;

  std::vector<std::uint8_t> bytes() const;
};

struct DfuAltSetting {
  // The alternate setting's name (string descriptor); nullopt gives iInterface 0.
  std::optional<std::u16string> name;
  std::uint8_t interfaceClass = 0xFE;
  std::uint8_t interfaceSubClass = 0x01;
  std::uint8_t interfaceProtocol = 2;  // 2 DFU mode, 1 run-time
};

struct DfuInterfaceSpec {
  std::vector<DfuAltSetting> altSettings;
};

// Where the functional descriptor stands in the configuration descriptor.
enum class FunctionalPlacement {
  kAfterLastAltSetting,  // as STM32 bootloaders send it: in the last alternate setting's extra
  kAfterEachAltSetting,
  kConfigExtra,  // before the first interface: the configuration's own extra
  kNone,         // only GET_DESCRIPTOR may give it (see functionalOnRequest)
};

// One configuration with one DFU interface whose four alternate settings name internal flash,
// option bytes, OTP memory and device feature, as an STM32F4 system bootloader has them.
std::vector<std::vector<DfuInterfaceSpec>> stm32Configurations();

// What the simulated bootloader is. The defaults are an STM32F4 system bootloader with 1 MB of
// flash in 16, 64 and 128 KiB sectors.
struct BootloaderSpec {
  std::uint16_t vendorId = 0x0483;
  std::uint16_t productId = 0xDF11;
  std::uint16_t bcdDevice = 0x2200;
  std::uint8_t maxPacketSize0 = 64;
  std::uint8_t busNumber = 1;
  std::uint8_t deviceAddress = 7;
  std::u16string manufacturer = u"STMicroelectronics";
  std::u16string product = u"STM32  BOOTLOADER";
  std::optional<std::u16string> serial = u"3574364C3034";
  std::vector<std::uint16_t> languages = {0x0409};

  // One entry per configuration, each with its interfaces.
  std::vector<std::vector<DfuInterfaceSpec>> configurations = stm32Configurations();

  DfuFunctional functional;
  FunctionalPlacement functionalPlacement = FunctionalPlacement::kAfterLastAltSetting;
  // Bytes sent in place of functional.bytes(), in the configuration and on request: a
  // descriptor of another length, or a malformed one.
  std::optional<std::vector<std::uint8_t>> functionalBytes;
  // Whether GET_DESCRIPTOR for type 0x21 answers (else it stalls).
  bool functionalOnRequest = false;

  std::vector<FlashSegment> flash = {
      {0x08000000, 4, 16 * 1024}, {0x08010000, 1, 64 * 1024}, {0x08020000, 7, 128 * 1024}};
  bool flashStartsErased = false;

  // bwPollTimeout of the busy state for each kind of download, in milliseconds.
  std::uint32_t setAddressPollMs = 5;
  std::uint32_t erasePollMs = 50;
  std::uint32_t writePollMs = 5;
  std::uint32_t manifestPollMs = 10;
  // Largest download block; 0: wTransferSize.
  std::uint16_t blockBufferSize = 0;
};

enum class FaultAction {
  kStall,    // the request stalls and changes nothing
  kShort,    // answered normally, then cut to shortLength bytes
  kTimeout,  // no answer, nothing changes
  kVanish,   // the device leaves the bus instead of answering
  kError,    // accepted, but the work it starts ends in dfuERROR with `status`
};

// A fault that hits matching requests: after `skip` of them have passed, the next `count`.
struct RequestFault {
  static constexpr unsigned kForever = ~0u;
  int bmRequestType = -1;  // -1 matches any
  int bRequest = -1;
  int wValue = -1;
  unsigned skip = 0;
  unsigned count = 1;
  FaultAction action = FaultAction::kStall;
  std::uint16_t shortLength = 0;
  std::uint8_t status = kErrProg;
};

// Faults that tests switch on and off at any time.
struct BootloaderFaults {
  std::optional<UsbOutcome> open;          // the device node does not open
  std::optional<UsbOutcome> claim;         // claiming an interface fails
  std::optional<UsbOutcome> setInterface;  // selecting an alternate setting fails
  std::optional<std::uint8_t> stuckState;  // GETSTATUS and GETSTATE report it, nothing moves
  std::uint32_t stuckPollMs = 5;           // bwPollTimeout while stuck
  // String descriptors by index (0: the language table) answered with these bytes instead,
  // or stalled when nullopt.
  std::map<std::uint8_t, std::optional<std::vector<std::uint8_t>>> strings;
  std::vector<RequestFault> requests;
  // Configurations (by index) whose descriptor comes out malformed, so reading it fails with
  // kUsbErrorIo, as on a system where libusb asks the device for it. (Linux libusb would not
  // list such a device at all: use this fault in-process only.)
  std::set<std::uint8_t> malformedConfigs;
};

// A DfuSe bootloader: descriptors, the DFU 1.1 state machine with the DfuSe commands, and its
// flash. Download block 0 carries a command; block n >= 2 carries data for the address pointer
// + (n - 2) x wTransferSize. A download acts when the host polls: the first GETSTATUS reports
// dfuDNBUSY with the poll time-out, the next one carries out the work and reports
// dfuDNLOAD-IDLE or dfuERROR with the reason.
class DfuseBootloader final : public UsbDeviceModel {
 public:
  explicit DfuseBootloader(BootloaderSpec spec = {});

  // UsbDeviceModel
  bool present() const override;
  unsigned connection() const override;
  std::uint8_t busNumber() const override { return spec_.busNumber; }
  std::uint8_t deviceAddress() const override { return spec_.deviceAddress; }
  std::vector<std::uint8_t> deviceDescriptor() const override;
  std::vector<std::uint8_t> configDescriptor(std::uint8_t index) const override;
  UsbOutcome open() override;
  UsbOutcome claimInterface(std::uint8_t interfaceNumber) override;
  UsbOutcome setInterface(std::uint8_t interfaceNumber, std::uint8_t alternateSetting) override;
  UsbReply control(const UsbSetup& setup, std::span<std::uint8_t> data) override;

  // Tests may call these from any thread while a host runs; the fault settings and the flash
  // are meant to be changed and inspected while no request is under way.

  // The device leaves the bus; plugging it in again restarts the bootloader in dfuIDLE with
  // its flash as it was.
  void unplug();
  void plug();

  const BootloaderSpec& spec() const { return spec_; }
  BootloaderFaults& faults() { return faults_; }
  DfuseFlash& flash() { return flash_; }
  const DfuseFlash& flash() const { return flash_; }

  std::uint8_t state() const;
  std::uint8_t status() const;
  // Puts the bootloader in a state, as a host may find it (e.g. dfuERROR after a failed run).
  void forceState(std::uint8_t state, std::uint8_t status = kStatusOk);
  std::uint32_t addressPointer() const;
  std::uint8_t alternateSetting() const;
  // Whether a manifestation (zero-length download) has run.
  bool manifested() const;

  // String descriptor `index` as the device sends it; nullopt when it stalls.
  std::optional<std::vector<std::uint8_t>> stringDescriptor(std::uint8_t index) const;

 private:
  enum class Pending { kNone, kSetAddress, kErase, kMassErase, kWrite };

  std::optional<std::vector<std::uint8_t>> stringLocked(std::uint8_t index) const;
  std::optional<RequestFault> takeFault(const UsbSetup& setup);
  UsbReply answer(const UsbSetup& setup, std::span<std::uint8_t> data);
  UsbReply standardRequest(const UsbSetup& setup, std::span<std::uint8_t> data);
  UsbReply dfuRequest(const UsbSetup& setup, std::span<std::uint8_t> data);
  UsbReply download(const UsbSetup& setup, std::span<const std::uint8_t> data);
  UsbReply upload(const UsbSetup& setup, std::span<std::uint8_t> data);
  UsbReply getStatus(std::span<std::uint8_t> data);
  UsbReply protocolError();
  void runPending();
  std::uint32_t pendingPollMs() const;
  bool isDfuInterface(std::uint16_t wIndex) const;
  std::uint16_t blockSize() const;

  mutable std::mutex mutex_;
  BootloaderSpec spec_;
  BootloaderFaults faults_;
  DfuseFlash flash_;
  bool present_ = true;
  unsigned connection_ = 1;
  std::uint8_t state_ = kDfuIdle;
  std::uint8_t status_ = kStatusOk;
  std::uint8_t alternateSetting_ = 0;
  std::uint32_t addressPointer_ = 0x08000000;
  bool manifested_ = false;
  Pending pending_ = Pending::kNone;
  std::uint32_t pendingAddress_ = 0;
  std::vector<std::uint8_t> pendingData_;
  std::optional<std::uint8_t> failWork_;  // set by a kError fault for the next piece of work
};

}  // namespace brisa::platform::sim
