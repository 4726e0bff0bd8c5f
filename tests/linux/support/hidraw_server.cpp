#include "hidraw_server.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace brisa::testbed {

namespace {

using platform::sim::BoardFirmware;

constexpr unsigned kGetRawName = _IOC_NR(HIDIOCGRAWNAME(0));
constexpr unsigned kSetFeature = _IOC_NR(HIDIOCSFEATURE(0));
constexpr unsigned kGetFeature = _IOC_NR(HIDIOCGFEATURE(0));

void fail(UMockdevIoctlClient* client, int error) {
  umockdev_ioctl_client_complete(client, -1, error);
}

// Resolves the request's argument and writes `bytes` into it.
void update(UMockdevIoctlData* data, const void* bytes, std::size_t length) {
  umockdev_ioctl_data_update(data, 0, static_cast<guint8*>(const_cast<void*>(bytes)),
                             static_cast<gint>(length));
}

void answer(UMockdevIoctlClient* client, const void* bytes, std::size_t length, glong result) {
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, length, nullptr);
  update(data, bytes, length);
  umockdev_ioctl_client_complete(client, result, 0);
  g_object_unref(data);
}

}  // namespace

HidrawServer::HidrawServer(HidrawSpec spec, const std::string& node)
    : spec_(std::move(spec)),
      base_(umockdev_ioctl_base_new()),
      lock_(std::make_shared<DeviceLock>()),
      silentMs_(spec_.failAfterMs),
      silent_(spec_.failAfterMs > 0) {
  lock_->server = this;
  // Opened for reading and writing, the FIFO never blocks its opener and never fails a write
  // for want of a reader.
  if (::mkfifo(node.c_str(), 0666) != 0 ||
      (fifo_ = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) < 0) {
    g_object_unref(base_);
    throw std::runtime_error("testbed: cannot make the node " + node);
  }
  g_signal_connect(base_, "handle-ioctl", G_CALLBACK(&HidrawServer::onIoctl), this);
  g_signal_connect(base_, "handle-read", G_CALLBACK(&HidrawServer::onRead), this);
  if (spec_.firmware) {
    spec_.firmware->inputQueue().observe(this, [this](std::size_t queued) { showQueued(queued); });
  }
}

HidrawServer::~HidrawServer() {
  {
    std::lock_guard guard(lock_->mutex);
    lock_->server = nullptr;
    for (UMockdevIoctlClient* client : lock_->waiting) {
      fail(client, ENODEV);
      g_object_unref(client);
    }
    lock_->waiting.clear();
  }
  if (spec_.firmware) spec_.firmware->inputQueue().stopObserving(this);
  g_signal_handlers_disconnect_by_data(base_, this);
  g_object_unref(base_);
  ::close(fifo_);
}

void HidrawServer::vanish() {
  std::lock_guard lock(readyMutex_);
  vanished_ = true;
  showLocked(0);
}

void HidrawServer::showQueued(std::size_t queued) {
  std::lock_guard lock(readyMutex_);
  showLocked(queued);
}

void HidrawServer::showLocked(std::size_t queued) {
  const bool ready = queued > 0 && !vanished_;
  if (ready == ready_) return;
  std::uint8_t token = 0;
  const ssize_t moved = ready ? ::write(fifo_, &token, 1) : ::read(fifo_, &token, 1);
  if (moved == 1) ready_ = ready;
}

gboolean HidrawServer::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  DeviceLock& lock = *static_cast<HidrawServer*>(self)->lock_;
  std::lock_guard guard(lock.mutex);
  if (lock.held) {
    lock.waiting.push_back(static_cast<UMockdevIoctlClient*>(g_object_ref(client)));
  } else if (lock.server != nullptr) {
    lock.server->ioctl(client);
  } else {
    fail(client, ENODEV);
  }
  return TRUE;
}

// Called with the lock's mutex held, when the request in flight has ended.
void HidrawServer::release(DeviceLock& lock) {
  lock.held = false;
  while (!lock.held && !lock.waiting.empty()) {
    UMockdevIoctlClient* client = lock.waiting.front();
    lock.waiting.pop_front();
    if (lock.server != nullptr) {
      lock.server->ioctl(client);
    } else {
      fail(client, ENODEV);
    }
    g_object_unref(client);
  }
}

gboolean HidrawServer::onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  static_cast<HidrawServer*>(self)->read(client);
  return TRUE;
}

void HidrawServer::ioctl(UMockdevIoctlClient* client) {
  if (vanished_) return fail(client, ENODEV);
  const gulong request = umockdev_ioctl_client_get_request(client);
  if (request == HIDIOCGRAWINFO) {
    hidraw_devinfo info{};
    info.bustype = spec_.bus;
    info.vendor = static_cast<__s16>(spec_.vendorId);
    info.product = static_cast<__s16>(spec_.productId);
    return answer(client, &info, sizeof info, 0);
  }
  if (request == HIDIOCGRDESCSIZE) {
    const int size = static_cast<int>(spec_.descriptor.size());
    return answer(client, &size, sizeof size, 0);
  }
  if (request == HIDIOCGRDESC) {
    hidraw_report_descriptor descriptor{};
    descriptor.size =
        static_cast<__u32>(std::min<std::size_t>(spec_.descriptor.size(), HID_MAX_DESCRIPTOR_SIZE));
    std::copy_n(spec_.descriptor.begin(), descriptor.size, descriptor.value);
    return answer(client, &descriptor, sizeof descriptor, 0);
  }
  if (_IOC_TYPE(request) != 'H') return fail(client, ENOTTY);
  const std::size_t length = _IOC_SIZE(request);
  switch (_IOC_NR(request)) {
    case kGetRawName: {
      std::string name = spec_.name;
      name.resize(std::min(name.size() + 1, length));
      return answer(client, name.data(), name.size(), static_cast<glong>(name.size()));
    }
    case kGetFeature:
      return feature(client, false, length);
    case kSetFeature:
      return feature(client, true, length);
    default:
      return fail(client, ENOTTY);
  }
}

void HidrawServer::feature(UMockdevIoctlClient* client, bool set, std::size_t length) {
  if (silent_) return silentMs_ > 0 ? failLater(client, EIO) : fail(client, EIO);
  if (!spec_.firmware || length == 0) return fail(client, EPIPE);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, length, nullptr);
  std::vector<std::uint8_t> report(data->data, data->data + length);
  const BoardFirmware::Outcome outcome =
      set ? spec_.firmware->setFeature(report) : spec_.firmware->getFeature(report);
  if (outcome == BoardFirmware::Outcome::Vanished) vanish();
  if (outcome == BoardFirmware::Outcome::Done || outcome == BoardFirmware::Outcome::Rebooting) {
    if (!set) update(data, report.data(), report.size());
    umockdev_ioctl_client_complete(client, static_cast<glong>(length), 0);
  } else {
    fail(client, outcome == BoardFirmware::Outcome::Vanished ? ENODEV : EPIPE);
  }
  g_object_unref(data);
}

// The request stays open on a timer of the thread that serves the node, which goes on serving
// the other nodes (umockdev completes a request from any thread); this device's wait meanwhile.
// Called with the lock's mutex held.
void HidrawServer::failLater(UMockdevIoctlClient* client, int error) {
  struct Pending {
    std::shared_ptr<DeviceLock> lock;
    UMockdevIoctlClient* client;
    int error;
  };
  lock_->held = true;
  auto* pending =
      new Pending{lock_, static_cast<UMockdevIoctlClient*>(g_object_ref(client)), error};
  GSource* timer = g_timeout_source_new(silentMs_);
  g_source_set_callback(
      timer,
      [](gpointer data) -> gboolean {
        auto* p = static_cast<Pending*>(data);
        std::lock_guard guard(p->lock->mutex);
        fail(p->client, p->error);
        g_object_unref(p->client);
        release(*p->lock);
        return G_SOURCE_REMOVE;
      },
      pending, [](gpointer data) { delete static_cast<Pending*>(data); });
  GMainContext* context = g_main_context_ref_thread_default();
  g_source_attach(timer, context);
  g_main_context_unref(context);
  g_source_unref(timer);
}

void HidrawServer::read(UMockdevIoctlClient* client) {
  ++reads_;
  if (vanished_) return fail(client, EIO);
  if (!spec_.firmware) return fail(client, EAGAIN);
  switch (spec_.firmware->inputReadOutcome()) {
    case BoardFirmware::InputOutcome::Vanished:
      vanish();
      return fail(client, EIO);
    case BoardFirmware::InputOutcome::Failed:
      return fail(client, EIO);
    case BoardFirmware::InputOutcome::StayPending:
      return fail(client, EAGAIN);
    case BoardFirmware::InputOutcome::Normal:
      break;
  }
  auto& queue = spec_.firmware->inputQueue();
  std::vector<std::uint8_t> report(queue.reportLength());
  if (queue.take(report) == 0) return fail(client, EAGAIN);
  UMockdevIoctlData* buffer = umockdev_ioctl_client_get_arg(client);
  const std::size_t length =
      std::min<std::size_t>(report.size(), static_cast<std::size_t>(buffer->data_len));
  update(buffer, report.data(), length);
  umockdev_ioctl_client_complete(client, static_cast<glong>(length), 0);
}

}  // namespace brisa::testbed
