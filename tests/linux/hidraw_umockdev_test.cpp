// The hidraw HID seam against emulated nodes that the simulated boards answer through real
// ioctls and reads.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <functional>
#include <future>
#include <thread>
#include <vector>

#include "boards.h"
#include "platform/linux/hidraw_hid.h"
#include "platform/sim/board_firmware.h"
#include "platform/sim/device_catalog.h"
#include "support/require_tool.h"
#include "testbed.h"

namespace brisa::platform {
namespace {

using sim::BoardModel;

constexpr const char* kOsprey = "hid#vid_1209&pid_0002#1-1:1.0";
constexpr const char* kKeyboard = "hid#vid_1209&pid_0007&col01#1-2:1.0\\KBD";
constexpr const char* kDenied = "hid#vid_1209&pid_0009#1-3:1.0";
// No BlueZ is asked here, so nothing says the Bluetooth board is a Bluetooth LE one: its node
// is named as any other Bluetooth HID device is.
constexpr const char* kMerlin =
    "hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&00021209_pid&0001#d1:c2:b3:a4:f5:e6";

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

class LinuxHid : public ::testing::Test {
 protected:
  void SetUp() override {
    BRISA_REQUIRE_TOOL(bed.inMockEnvironment(), "umockdev-wrapper (run through ctest)");
    osprey = bed.addUsbHid({testbed::boardHid(BoardModel::Osprey), 0x0100, "Brisa Osprey"});
    keyboard = bed.addUsbHid({testbed::keyboardHid(), 0x0100, "Brisa Keyboard"});
    denied = bed.addUsbHid({testbed::boardHid(BoardModel::Kestrel), 0x0123, "Brisa Kestrel"});
    bed.denyAccess(denied);
    merlin = bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05)});
  }
  sim::BoardFirmware& firmware(testbed::DeviceId id) { return *bed.server(id).spec().firmware; }
  // Whether a wait for input on the device, started before `cause` runs, ends within half a
  // second of it. A wait that does not end is ended by its bell.
  static bool waitEndsBy(HidDevice& device, Doorbell& bell, const std::function<void()>& cause) {
    auto waiting = std::async(std::launch::async, [&] { device.waitForInput(bell); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    cause();
    const bool ended =
        waiting.wait_for(std::chrono::milliseconds(500)) == std::future_status::ready;
    if (!ended) bell.ring();
    waiting.wait();
    return ended;
  }

  testbed::Testbed bed;
  testbed::DeviceId osprey = 0, keyboard = 0, denied = 0, merlin = 0;
  HidrawHid hid;
};

TEST_F(LinuxHid, OpensByThePathTheListHandsOver) {
  const struct {
    std::string path;
    HidAccess access;
    HidOpenError error;
  } cases[] = {
      {kOsprey, HidAccess::ReadWrite, HidOpenError::None},
      {upper(kOsprey), HidAccess::ReadWrite, HidOpenError::None},
      {upper(kOsprey), HidAccess::QueryOnly, HidOpenError::None},
      {upper(kMerlin), HidAccess::ReadWrite, HidOpenError::None},
      // The system keeps keyboards for itself: a keyboard board is told by this refusal.
      {upper(kKeyboard), HidAccess::ReadWrite, HidOpenError::Refused},
      {upper(kKeyboard), HidAccess::QueryOnly, HidOpenError::None},
      {"HID#VID_1209&PID_0007&COL01#1-2:1.0", HidAccess::QueryOnly, HidOpenError::None},
      {"HID#VID_1209&PID_0007&COL01#1-2:1.0", HidAccess::ReadWrite, HidOpenError::Refused},
      // A board this user may not open is not a keyboard: the reason says so.
      {upper(kDenied), HidAccess::ReadWrite, HidOpenError::AccessDenied},
      {upper(kDenied), HidAccess::QueryOnly, HidOpenError::None},
      {"HID#VID_1209&PID_0002#1-9:1.0", HidAccess::QueryOnly, HidOpenError::NotFound},
      {"", HidAccess::ReadWrite, HidOpenError::NotFound},
  };
  testbed::WithoutFileOverride asAUser;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + (c.access == HidAccess::ReadWrite ? " read/write" : " query"));
    const HidOpenResult result = hid.openDevice(c.path, c.access);
    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(result.device != nullptr, c.error == HidOpenError::None);
  }
}

TEST_F(LinuxHid, IdentityAndReportLengthsOfEachInterface) {
  const struct {
    const char* path;
    HidAccess access;
    HidAttributes attributes;
    HidCaps caps;
    const char* product;
  } cases[] = {
      {kOsprey, HidAccess::ReadWrite, {0x1209, 0x0002, 0x0100}, {22, 21}, "Brisa Osprey"},
      {kMerlin, HidAccess::ReadWrite, {0x1209, 0x0001, 0x0100}, {21, 21}, "Merlin"},
      {kKeyboard, HidAccess::QueryOnly, {0x1209, 0x0007, 0x0100}, {9, 0}, "Brisa Keyboard"},
      {"hid#vid_1209&pid_0007&col02#1-2:1.0",
       HidAccess::QueryOnly,
       {0x1209, 0x0007, 0x0100},
       {3, 0},
       "Brisa Keyboard"},
      {kDenied, HidAccess::QueryOnly, {0x1209, 0x0009, 0x0123}, {21, 21}, "Brisa Kestrel"},
  };
  testbed::WithoutFileOverride asAUser;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const auto device = hid.open(upper(c.path), c.access);
    ASSERT_NE(device, nullptr);
    const auto attributes = device->attributes();
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes->vendorId, c.attributes.vendorId);
    EXPECT_EQ(attributes->productId, c.attributes.productId);
    EXPECT_EQ(attributes->versionNumber, c.attributes.versionNumber);
    const auto caps = device->capabilities();
    ASSERT_TRUE(caps);
    EXPECT_EQ(caps->inputReportByteLength, c.caps.inputReportByteLength);
    EXPECT_EQ(caps->featureReportByteLength, c.caps.featureReportByteLength);
    EXPECT_EQ(device->productString(), c.product);
  }
  EXPECT_TRUE(hid.bluetoothFeatureReportsCarryReportId());
}

TEST_F(LinuxHid, FeatureReportsReachTheBoard) {
  sim::BoardFirmware::Payload stored{};
  stored[0] = 0x42;
  stored[19] = 0x99;
  firmware(osprey).setPayload(3, stored);
  const auto device = hid.open(kOsprey, HidAccess::ReadWrite);
  ASSERT_NE(device, nullptr);

  std::array<std::uint8_t, 21> report{3};
  ASSERT_TRUE(device->getFeature(report));
  EXPECT_EQ(report[0], 3);
  EXPECT_EQ(report[1], 0x42);
  EXPECT_EQ(report[20], 0x99);
  EXPECT_EQ(report[11], 0xFF);  // the model key of an Osprey

  std::array<std::uint8_t, 21> axes{4, 1, 2, 3};
  ASSERT_TRUE(device->setFeature(axes));
  EXPECT_EQ(firmware(osprey).payload(4)[2], 3);
  std::array<std::uint8_t, 21> reboot{3, 0, 0, 0, 0, 0, 0, 0, 0, 0xDF, 0xFD};
  EXPECT_TRUE(device->setFeature(reboot));
  EXPECT_EQ(firmware(osprey).rebootCount(), 1u);

  firmware(osprey).failFeatureReads(1);
  firmware(osprey).failFeatureWrites(1);
  EXPECT_FALSE(device->getFeature(report));
  EXPECT_FALSE(device->setFeature(axes));
  EXPECT_TRUE(device->getFeature(report));

  // A query handle exchanges feature reports (how a keyboard collection is configured), but
  // reads no input.
  const auto query = hid.open(kOsprey, HidAccess::QueryOnly);
  EXPECT_TRUE(query->getFeature(report));
  EXPECT_TRUE(query->setFeature(axes));
  std::vector<std::uint8_t> buffer(64);
  EXPECT_EQ(query->readInput(buffer, 22).status, InputReadStatus::Failed);
}

TEST_F(LinuxHid, InputReadsTakeWhatIsQueuedNewestLast) {
  const std::size_t length = sim::defaultInputReportLength(BoardModel::Osprey);  // 22
  // Each report takes the length the caller splits at, which need not be the node's own: one
  // that does not fit is dropped, never split across two.
  const struct {
    int queued;
    std::size_t buffer;
    std::size_t slot;  // the length asked for
    InputReadStatus status;
    std::size_t bytes;
    std::int16_t lastAxis;  // axis 1 of the last report in the buffer
  } cases[] = {
      {0, 2200, length, InputReadStatus::Pending, 0, 0},
      {1, 2200, length, InputReadStatus::Completed, length, 101},
      {3, 2200, length, InputReadStatus::Completed, 3 * length, 103},
      {3, 2 * length + 5, length, InputReadStatus::Completed, 2 * length, 103},
      {1, length - 1, length, InputReadStatus::Failed, 0, 0},
      {2, 2200, length + 3, InputReadStatus::Completed, 2 * (length + 3), 102},
      {2, 2200, length - 1, InputReadStatus::Pending, 0, 0},
      {1, 2200, 0, InputReadStatus::Failed, 0, 0},
  };
  const auto device = hid.open(kOsprey, HidAccess::ReadWrite);
  ASSERT_NE(device, nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.queued << " queued, room " << c.buffer << ", slot " << c.slot);
    firmware(osprey).inputQueue().clear();
    for (int i = 1; i <= c.queued; ++i) {
      firmware(osprey).setAxis(0, static_cast<std::int16_t>(100 + i));
      firmware(osprey).queueInputReport();
    }
    std::vector<std::uint8_t> buffer(c.buffer);
    const InputRead read = device->readInput(buffer, c.slot);
    EXPECT_EQ(read.status, c.status);
    EXPECT_EQ(read.bytes, c.bytes);
    if (read.bytes >= c.slot && c.slot > 0) {
      const std::size_t last = read.bytes - c.slot;
      for (std::size_t pad = length; pad < c.slot; ++pad) EXPECT_EQ(buffer[last + pad], 0);
      EXPECT_EQ(buffer[last], 1);
      EXPECT_EQ(static_cast<std::int16_t>(buffer[last + 1] | buffer[last + 2] << 8), c.lastAxis);
    }
  }
  device->cancelInput();  // nothing waits, so nothing to end; harmless from any thread

  // The read worker sleeps in a wait for input: a report that comes ends it, and so does the
  // bell; nothing else does. It sleeps on the node, without reading it meanwhile.
  firmware(osprey).inputQueue().clear();
  Doorbell bell;
  const unsigned readsBefore = bed.server(osprey).reads();
  EXPECT_FALSE(waitEndsBy(*device, bell, [] {}));
  EXPECT_EQ(bed.server(osprey).reads(), readsBefore);
  EXPECT_TRUE(waitEndsBy(*device, bell, [&] {
    firmware(osprey).setAxis(0, 321);
    firmware(osprey).queueInputReport();
  }));
  std::vector<std::uint8_t> buffer(2200);
  const InputRead read = device->readInput(buffer, length);
  EXPECT_EQ(read.status, InputReadStatus::Completed);
  ASSERT_EQ(read.bytes, length);
  EXPECT_EQ(static_cast<std::int16_t>(buffer[1] | buffer[2] << 8), 321);
  EXPECT_TRUE(waitEndsBy(*device, bell, [&] { bell.ring(); }));
  EXPECT_EQ(device->readInput(buffer, length).status, InputReadStatus::Pending);
}

// The read worker drains input while the write worker sends and cancels on the same handle.
TEST_F(LinuxHid, TwoThreadsShareOneHandle) {
  const auto device = hid.open(kOsprey, HidAccess::ReadWrite);
  ASSERT_NE(device, nullptr);
  constexpr int kRounds = 100;
  std::thread reader([&] {
    std::vector<std::uint8_t> buffer(2200);
    for (int i = 0; i < kRounds; ++i) {
      firmware(osprey).queueInputReport();
      EXPECT_NE(device->readInput(buffer, 22).status, InputReadStatus::Failed);
    }
  });
  std::array<std::uint8_t, 21> report{5, 7};
  for (int i = 0; i < kRounds; ++i) {
    device->cancelInput();
    EXPECT_TRUE(device->setFeature(report));
  }
  reader.join();
  EXPECT_EQ(firmware(osprey).writtenReports().size(), static_cast<std::size_t>(kRounds));
}

TEST_F(LinuxHid, AVanishedDeviceFailsEveryCall) {
  const auto device = hid.open(kOsprey, HidAccess::ReadWrite);
  const auto query = hid.open(kOsprey, HidAccess::QueryOnly);
  ASSERT_NE(device, nullptr);
  ASSERT_NE(query, nullptr);
  firmware(osprey).queueInputReport();
  bed.remove(osprey);

  std::array<std::uint8_t, 21> report{3};
  std::vector<std::uint8_t> buffer(2200);
  for (HidDevice* each : {device.get(), query.get()}) {
    EXPECT_FALSE(each->attributes());
    EXPECT_FALSE(each->capabilities());
    EXPECT_FALSE(each->productString());
    EXPECT_FALSE(each->getFeature(report));
    EXPECT_FALSE(each->setFeature(report));
    EXPECT_EQ(each->readInput(buffer, 22).status, InputReadStatus::Failed);
    // Only the bell ends a wait for input that cannot come.
    Doorbell bell;
    EXPECT_FALSE(waitEndsBy(*each, bell, [] {}));
    EXPECT_TRUE(waitEndsBy(*each, bell, [&] { bell.ring(); }));
  }
  EXPECT_EQ(hid.openDevice(kOsprey, HidAccess::QueryOnly).error, HidOpenError::NotFound);
}

// A board read first that falls silent later holds its node while a feature request to it is in
// flight, as the kernel's lock does: the ioctls of every other fd of the node, one opened
// meanwhile too, wait until the request has failed and are served then; another board's node
// is served meanwhile.
TEST_F(LinuxHid, AFeatureRequestToASilentBoardHoldsItsNodeOnly) {
  using Clock = std::chrono::steady_clock;
  constexpr int kSilentMs = 400;
  constexpr int kAskedAfterMs = 100;
  const struct {
    const char* what;
    testbed::DeviceId asked;
    bool openedDuring;
    bool waits;
  } cases[] = {
      {"another fd of the node", osprey, false, true},
      {"an fd of the node opened during the request", osprey, true, true},
      {"another board's node", merlin, false, false},
  };
  const int silent = ::open(bed.devnode(osprey).c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(silent, 0);
  std::array<std::uint8_t, 21> report{3};
  ASSERT_EQ(::ioctl(silent, HIDIOCGFEATURE(report.size()), report.data()), 21);
  bed.server(osprey).silence(kSilentMs);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int asked = c.openedDuring ? -1 : ::open(bed.devnode(c.asked).c_str(), O_RDWR | O_CLOEXEC);
    auto request = std::async(std::launch::async, [&] {
      const auto start = Clock::now();
      const int result = ::ioctl(silent, HIDIOCGFEATURE(report.size()), report.data());
      const int error = errno;
      EXPECT_EQ(result, -1);
      EXPECT_EQ(error, EIO);
      return Clock::now() - start;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(kAskedAfterMs));
    if (c.openedDuring) asked = ::open(bed.devnode(c.asked).c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(asked, 0);
    const auto start = Clock::now();
    hidraw_devinfo info{};
    EXPECT_EQ(::ioctl(asked, HIDIOCGRAWINFO, &info), 0);
    const auto waited = Clock::now() - start;
    EXPECT_EQ(static_cast<std::uint16_t>(info.vendor), sim::kBoardVendorId);
    EXPECT_GE(request.get(), std::chrono::milliseconds(kSilentMs));
    if (c.waits) {
      EXPECT_GE(waited, std::chrono::milliseconds(kSilentMs - kAskedAfterMs - 50));
    } else {
      EXPECT_LT(waited, std::chrono::milliseconds(kSilentMs - kAskedAfterMs - 50));
    }
    ::close(asked);
  }
  ::close(silent);
}

}  // namespace
}  // namespace brisa::platform
