#include "platform/linux/bluez_bus.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>

namespace brisa::platform {

namespace {

constexpr const char* kService = "org.bluez";
constexpr const char* kDefaultSystemBus = "unix:path=/run/dbus/system_bus_socket";

struct BusCloser {
  // Never a flush: on a bus that does not answer it would wait for the authentication.
  void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
};
using BusPtr = std::unique_ptr<sd_bus, BusCloser>;

struct Reply {
  BusMessagePtr message;
  bool arrived = false;
};

int onReply(sd_bus_message* message, void* userdata, sd_bus_error*) {
  auto* reply = static_cast<Reply*>(userdata);
  reply->arrived = true;
  if (!sd_bus_message_is_method_error(message, nullptr)) {
    reply->message.reset(sd_bus_message_ref(message));
  }
  return 0;
}

std::uint64_t microsecondsUntil(BluezBus::Clock::time_point deadline) {
  const auto left = deadline - BluezBus::Clock::now();
  return static_cast<std::uint64_t>(std::max<std::int64_t>(
      1, std::chrono::duration_cast<std::chrono::microseconds>(left).count()));
}

// Connects, authenticates and calls, all before `deadline`.
BusMessagePtr callBefore(BluezBus::Clock::time_point deadline, const char* objectPath,
                         const char* interface, const char* member, const char* types,
                         va_list args) {
  sd_bus* raw = nullptr;
  if (sd_bus_new(&raw) < 0) return nullptr;
  const BusPtr bus(raw);
  const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  if (sd_bus_set_address(
          bus.get(), address != nullptr && *address != '\0' ? address : kDefaultSystemBus) < 0 ||
      sd_bus_set_bus_client(bus.get(), 1) < 0) {
    return nullptr;
  }
  // Set before the start, so that authentication and the bus's greeting are bounded too.
  sd_bus_set_method_call_timeout(bus.get(), microsecondsUntil(deadline));
  if (sd_bus_start(bus.get()) < 0) return nullptr;

  sd_bus_message* rawMessage = nullptr;
  if (sd_bus_message_new_method_call(bus.get(), &rawMessage, kService, objectPath, interface,
                                     member) < 0) {
    return nullptr;
  }
  const BusMessagePtr message(rawMessage);
  if (types != nullptr && *types != '\0' && sd_bus_message_appendv(message.get(), types, args) < 0)
    return nullptr;
  // A BlueZ that is not running is not started just to be asked.
  sd_bus_message_set_auto_start(message.get(), 0);
  Reply reply;
  if (sd_bus_call_async(bus.get(), nullptr, message.get(), onReply, &reply,
                        microsecondsUntil(deadline)) < 0) {
    return nullptr;
  }
  while (!reply.arrived && BluezBus::Clock::now() < deadline) {
    const int processed = sd_bus_process(bus.get(), nullptr);
    if (processed < 0) return nullptr;
    if (processed > 0) continue;
    if (sd_bus_wait(bus.get(), microsecondsUntil(deadline)) < 0) return nullptr;
  }
  return std::move(reply.message);
}

}  // namespace

BusMessagePtr BluezBus::call(const char* objectPath, const char* interface, const char* member,
                             const char* types, ...) {
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = deadlineFrom(start);
  if (deadline <= start) {
    spent(start, start, true);  // keeps the run going: BlueZ is still taken for silent
    return nullptr;
  }
  va_list args;
  va_start(args, types);
  BusMessagePtr answer = callBefore(deadline, objectPath, interface, member, types, args);
  va_end(args);
  const Clock::time_point end = Clock::now();
  spent(start, end, !answer && end >= deadline);
  return answer;
}

BluezBus::Clock::time_point BluezBus::deadlineFrom(Clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (now - lastEnd_ >= kRunGap) left_ = kBudget;
  return now + left_;
}

void BluezBus::spent(Clock::time_point start, Clock::time_point end, bool ranOut) {
  std::lock_guard lock(mutex_);
  left_ =
      ranOut ? Clock::duration::zero() : std::max(Clock::duration::zero(), left_ - (end - start));
  lastEnd_ = std::max(lastEnd_, end);
}

}  // namespace brisa::platform
