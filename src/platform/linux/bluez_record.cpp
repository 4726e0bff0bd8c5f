#include "platform/linux/bluez_record.h"

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

namespace brisa::platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kService = "org.bluez";
constexpr const char* kDefaultSystemBus = "unix:path=/run/dbus/system_bus_socket";
constexpr auto kRetry = std::chrono::milliseconds(500);
// Authentication and every call end after this: a system bus and BlueZ answer in moments.
constexpr std::uint64_t kCallTimeoutUs = 2'000'000;

constexpr const char* kOwnerMatch =
    "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
    "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0='org.bluez'";
constexpr const char* kObjectsMatch =
    "type='signal',sender='org.bluez',interface='org.freedesktop.DBus.ObjectManager'";
constexpr const char* kPropertiesMatch =
    "type='signal',sender='org.bluez',interface='org.freedesktop.DBus.Properties',"
    "member='PropertiesChanged'";

struct BusCloser {
  // Never a flush: on a bus that does not answer it would wait for the authentication.
  void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
};
struct SlotUnref {
  void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using BusPtr = std::unique_ptr<sd_bus, BusCloser>;
using SlotPtr = std::unique_ptr<sd_bus_slot, SlotUnref>;
using MessagePtr = std::unique_ptr<sd_bus_message, MessageUnref>;

// Milliseconds from now until a CLOCK_MONOTONIC time in microseconds, as sd-bus gives them.
int msUntilMonotonic(std::uint64_t usec) {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t nowUs = static_cast<std::uint64_t>(now.tv_sec) * 1'000'000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
  if (usec <= nowUs) return 0;
  return static_cast<int>(std::min<std::uint64_t>((usec - nowUs + 999) / 1000, 60'000));
}

int msUntil(Clock::time_point when) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
  return static_cast<int>(std::clamp<std::int64_t>(left, 0, 60'000));
}

}  // namespace

// The record's thread: the connection and everything sd-bus calls back with, which only this
// thread ever touches.
class BluezLink {
 public:
  explicit BluezLink(BluezRecord& record) : record_(record) {}
  ~BluezLink() { drop(); }
  BluezLink(const BluezLink&) = delete;
  BluezLink& operator=(const BluezLink&) = delete;

  void run() {
    connect();
    while (!record_.stop_.load()) {
      const bool wanted = record_.wanted_.load();
      const bool due = wanted && Clock::now() >= nextTry_;
      if (!bus_ && due) connect();
      if (bus_ && !answered_ && !call_ && (askNow_ || (due && !bluezAbsent_))) ask();

      pollfd fds[2] = {{record_.wake_.fd(), POLLIN, 0}, {-1, 0, 0}};
      int timeout = -1;
      if (bus_) {
        const int events = sd_bus_get_events(bus_.get());
        if (events < 0) {
          drop();
          continue;
        }
        fds[1] = {sd_bus_get_fd(bus_.get()), static_cast<short>(events), 0};
        std::uint64_t until = 0;
        if (sd_bus_get_timeout(bus_.get(), &until) >= 0 && until != UINT64_MAX) {
          timeout = msUntilMonotonic(until);
        }
      }
      const bool retries = !bus_ || (!answered_ && !call_ && !bluezAbsent_);
      if (wanted && retries) {
        const int retry = msUntil(nextTry_);
        timeout = timeout < 0 ? retry : std::min(timeout, retry);
      }
      if (::poll(fds, bus_ ? 2 : 1, timeout) < 0 && errno != EINTR) return;
      if ((fds[0].revents & POLLIN) != 0) record_.wake_.clear();
      if (bus_) process();
    }
  }

 private:
  void connect() {
    nextTry_ = Clock::now() + kRetry;
    sd_bus* raw = nullptr;
    if (sd_bus_new(&raw) < 0) return;
    BusPtr bus(raw);
    const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (sd_bus_set_address(
            bus.get(), address != nullptr && *address != '\0' ? address : kDefaultSystemBus) < 0 ||
        sd_bus_set_bus_client(bus.get(), 1) < 0) {
      return;
    }
    // Set before the start, so that authentication and the bus's greeting are bounded too.
    sd_bus_set_method_call_timeout(bus.get(), kCallTimeoutUs);
    if (sd_bus_start(bus.get()) < 0) return;
    // The signals are asked for before BlueZ is, so nothing said after its answer is missed.
    const struct {
      const char* rule;
      sd_bus_message_handler_t handler;
    } matches[] = {{kOwnerMatch, &BluezLink::onOwner},
                   {kObjectsMatch, &BluezLink::onObjects},
                   {kPropertiesMatch, &BluezLink::onProperties}};
    for (const auto& match : matches) {
      sd_bus_slot* slot = nullptr;
      if (sd_bus_add_match_async(bus.get(), &slot, match.rule, match.handler, nullptr, this) < 0)
        return;
      matches_.emplace_back(slot);
    }
    bus_ = std::move(bus);
    askNow_ = true;
  }

  void drop() {
    call_.reset();
    matches_.clear();
    bus_.reset();
    forget();
    bluezAbsent_ = false;
    nextTry_ = Clock::now() + kRetry;
  }

  // Nothing BlueZ said stands any longer.
  void forget() {
    answered_ = false;
    owner_.clear();
    objects_ = {};
    if (published_) {
      published_.reset();
      record_.publish(nullptr);
    }
  }

  void ask() {
    askNow_ = false;
    nextTry_ = Clock::now() + kRetry;
    sd_bus_message* raw = nullptr;
    if (sd_bus_message_new_method_call(bus_.get(), &raw, kService, "/",
                                       "org.freedesktop.DBus.ObjectManager",
                                       "GetManagedObjects") < 0) {
      return;
    }
    const MessagePtr message(raw);
    // A BlueZ that is not running is not started just to be asked.
    sd_bus_message_set_auto_start(raw, 0);
    sd_bus_slot* slot = nullptr;
    if (sd_bus_call_async(bus_.get(), &slot, raw, &BluezLink::onReply, this, kCallTimeoutUs) >= 0) {
      call_.reset(slot);
    }
  }

  void process() {
    for (;;) {
      const int processed = sd_bus_process(bus_.get(), nullptr);
      // The call's slot is let go here rather than in its own callback.
      if (callEnded_) {
        call_.reset();
        callEnded_ = false;
      }
      if (processed < 0) return drop();
      if (processed == 0) break;
    }
    if (sd_bus_is_open(bus_.get()) <= 0) drop();
  }

  void publish() {
    auto devices = objects_.devices();
    if (published_ && *published_ == devices) return;
    published_ = std::make_shared<const std::vector<BluezDevice>>(std::move(devices));
    record_.publish(published_);
  }

  // Something in what BlueZ said did not read: it is asked for everything again.
  void askAgain() {
    answered_ = false;
    askNow_ = true;
  }

  bool fromBluez(sd_bus_message* m) const {
    const char* sender = sd_bus_message_get_sender(m);
    return answered_ && sender != nullptr && owner_ == sender;
  }

  static int onReply(sd_bus_message* m, void* self, sd_bus_error*) {
    auto& link = *static_cast<BluezLink*>(self);
    link.callEnded_ = true;
    if (sd_bus_message_is_method_error(m, nullptr)) {
      // No BlueZ on the bus: what comes next is its arrival, not a time to try again.
      const sd_bus_error* error = sd_bus_message_get_error(m);
      link.bluezAbsent_ = sd_bus_error_has_name(error, SD_BUS_ERROR_SERVICE_UNKNOWN) ||
                          sd_bus_error_has_name(error, SD_BUS_ERROR_NAME_HAS_NO_OWNER);
      link.nextTry_ = Clock::now() + kRetry;
      return 0;
    }
    BluezObjects objects;
    const char* sender = sd_bus_message_get_sender(m);
    if (!objects.readManagedObjects(m) || sender == nullptr) {
      link.nextTry_ = Clock::now() + kRetry;
      return 0;
    }
    link.objects_ = std::move(objects);
    link.owner_ = sender;
    link.answered_ = true;
    link.record_.wanted_.store(false);
    link.publish();
    return 0;
  }

  static int onOwner(sd_bus_message* m, void* self, sd_bus_error*) {
    auto& link = *static_cast<BluezLink*>(self);
    const char* name = nullptr;
    const char* before = nullptr;
    const char* after = nullptr;
    if (sd_bus_message_read(m, "sss", &name, &before, &after) < 0) return 0;
    link.call_.reset();  // an answer from the BlueZ that went no longer counts
    link.forget();
    link.bluezAbsent_ = after == nullptr || *after == '\0';
    link.askNow_ = !link.bluezAbsent_;
    return 0;
  }

  static int onObjects(sd_bus_message* m, void* self, sd_bus_error*) {
    auto& link = *static_cast<BluezLink*>(self);
    if (!link.fromBluez(m)) return 0;
    const bool read = sd_bus_message_is_signal(m, nullptr, "InterfacesAdded")
                          ? link.objects_.readInterfacesAdded(m)
                      : sd_bus_message_is_signal(m, nullptr, "InterfacesRemoved")
                          ? link.objects_.readInterfacesRemoved(m)
                          : true;
    read ? link.publish() : link.askAgain();
    return 0;
  }

  static int onProperties(sd_bus_message* m, void* self, sd_bus_error*) {
    auto& link = *static_cast<BluezLink*>(self);
    if (!link.fromBluez(m)) return 0;
    link.objects_.readPropertiesChanged(m) ? link.publish() : link.askAgain();
    return 0;
  }

  BluezRecord& record_;
  BusPtr bus_;
  std::vector<SlotPtr> matches_;
  SlotPtr call_;  // GetManagedObjects on its way
  bool callEnded_ = false;
  BluezObjects objects_;
  std::shared_ptr<const std::vector<BluezDevice>> published_;
  std::string owner_;  // the unique name of the BlueZ that answered
  bool answered_ = false;
  bool askNow_ = false;
  bool bluezAbsent_ = false;
  Clock::time_point nextTry_{};
};

BluezRecord::BluezRecord() {
  if (wake_.fd() >= 0) thread_ = std::thread([this] { run(); });
}

BluezRecord::~BluezRecord() {
  if (!thread_.joinable()) return;
  stop_.store(true);
  wake_.ring();
  thread_.join();
}

std::shared_ptr<BluezRecord> BluezRecord::shared() {
  static std::mutex mutex;
  static std::weak_ptr<BluezRecord> current;
  std::lock_guard lock(mutex);
  std::shared_ptr<BluezRecord> record = current.lock();
  if (!record) {
    record = std::make_shared<BluezRecord>();
    current = record;
  }
  return record;
}

std::shared_ptr<const std::vector<BluezDevice>> BluezRecord::devices() const {
  std::lock_guard lock(mutex_);
  return devices_;
}

void BluezRecord::want() {
  if (!wanted_.exchange(true)) wake_.ring();
}

std::uint64_t BluezRecord::listen(std::function<void()> listener) {
  std::lock_guard lock(listenersMutex_);
  listeners_.emplace(++lastListener_, std::move(listener));
  return lastListener_;
}

void BluezRecord::unlisten(std::uint64_t id) {
  std::lock_guard lock(listenersMutex_);
  listeners_.erase(id);
}

void BluezRecord::publish(std::shared_ptr<const std::vector<BluezDevice>> devices) {
  {
    std::lock_guard lock(mutex_);
    devices_ = std::move(devices);
  }
  std::lock_guard lock(listenersMutex_);
  for (const auto& [id, listener] : listeners_) listener();
}

void BluezRecord::run() {
  BluezLink link(*this);
  link.run();
}

}  // namespace brisa::platform
