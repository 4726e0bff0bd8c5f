#include "board/hid_arrival.h"

#include <condition_variable>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

namespace brisa::board {
namespace {

using platform::HidAccess;
using platform::HidDevice;
using platform::HidOpenError;

// What the opening thread and the waiting window share. Once the window has stopped waiting,
// the thread hands over nothing more and asks the device nothing more.
class Meeting {
 public:
  // Runs `step` on what arrived so far unless the window has stopped waiting; false then.
  template <typename Step>
  bool hand(Step&& step) {
    std::lock_guard lock(mutex_);
    if (gone_) return false;
    step(arrival_);
    return true;
  }
  bool stillWanted() {
    std::lock_guard lock(mutex_);
    return !gone_;
  }
  void finish() {
    std::lock_guard lock(mutex_);
    done_ = true;
    ended_.notify_all();
  }
  // What arrived within `bound`; nothing more is handed over after it.
  HidArrival take(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    ended_.wait_for(lock, bound, [this] { return done_; });
    gone_ = true;
    return std::move(arrival_);
  }

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
  bool done_ = false;
  bool gone_ = false;
  HidArrival arrival_;
};

// Hands over the attributes and capabilities of a device the window has already been given.
bool HandOverFacts(Meeting& meeting, const std::shared_ptr<HidDevice>& device) {
  const auto attributes = device->attributes();
  // Capabilities are asked for only with attributes; report 3 is wanted either way.
  if (!attributes) return meeting.stillWanted();
  if (!meeting.hand([&](HidArrival& a) { a.attributes = attributes; })) return false;
  const auto caps = device->capabilities();
  return meeting.hand([&](HidArrival& a) { a.caps = caps; });
}

// The outcome of the opening and its handle go over in one step: a handle that opens at the
// deadline is either the window's or closed here, and an interface is never taken for one that
// did not open while its open is still on its way.
void Open(Meeting& meeting, platform::Hid& hid, const std::string& path) {
  platform::HidOpenResult opened = hid.openDevice(path, HidAccess::ReadWrite);
  if (opened.device) {
    const std::shared_ptr<HidDevice> device = std::move(opened.device);
    if (!meeting.hand([&](HidArrival& a) {
          a.answered = true;
          a.error = HidOpenError::None;
          a.device = device;
          a.readWrite = true;
        })) {
      return;
    }
    if (!HandOverFacts(meeting, device)) return;
    FeatureReport report = EmptyReport(SettingsReport);
    if (device->getFeature(report)) meeting.hand([&](HidArrival& a) { a.identity = report; });
    return;
  }
  const HidOpenError error = opened.error;
  std::shared_ptr<HidDevice> device;
  // A board the system keeps this user out of is not a keyboard collection.
  if (error != HidOpenError::AccessDenied) {
    device = hid.open(path, HidAccess::QueryOnly);
    if (!device) device = hid.open(WithoutKeyboardCollection(path), HidAccess::QueryOnly);
  }
  if (!meeting.hand([&](HidArrival& a) {
        a.answered = true;
        a.error = error;
        a.device = device;
      })) {
    return;
  }
  if (device) HandOverFacts(meeting, device);
}

}  // namespace

HidArrival OpenWithin(platform::Hid& hid, const std::string& path,
                      std::chrono::milliseconds bound) {
  const auto meeting = std::make_shared<Meeting>();
  // The thread keeps its own share of the meeting and a copy of the path; `hid` is the
  // backend's, which lives as long as the process.
  const auto open = [meeting, &hid, path] {
    Open(*meeting, hid, path);
    meeting->finish();
  };
  try {
    std::thread(open).detach();
  } catch (const std::system_error&) {
    open();  // no thread to be had: wait for the board after all
  }
  return meeting->take(bound);
}

std::string WithoutKeyboardCollection(std::string path) {
  static constexpr std::string_view kKbd = "\\KBD";
  for (auto at = path.find(kKbd); at != std::string::npos; at = path.find(kKbd, at)) {
    path.erase(at, kKbd.size());
  }
  return path;
}

}  // namespace brisa::board
