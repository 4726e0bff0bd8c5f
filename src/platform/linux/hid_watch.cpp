#include "platform/linux/hid_watch.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/doorbell.h"
#include "platform/linux/hidraw_inventory.h"
#include "platform/linux/udev_handles.h"

namespace brisa::platform {

namespace {

// What the watching thread owns. Shared with the subscription, so a callback that ends its own
// subscription leaves the thread a state to finish with.
struct WatchState {
  std::function<void(const HidChange&)> callback;
  std::shared_ptr<HidrawCatalog> catalog;
  UdevPtr udev;
  UdevMonitorPtr monitor;
  Doorbell wake;
  Doorbell verdicts;  // rung by the catalog when BlueZ's verdict on a device comes or changes
  std::atomic<bool> stop{false};
  // The interface paths of each node seen, for its removal, when sysfs no longer tells them.
  std::map<std::string, std::vector<std::string>> paths;

  std::vector<std::string> pathsOf(const HidrawNode& node) {
    std::vector<std::string> out;
    for (const HidrawCollection& c : node.collections) out.push_back(c.path);
    return out;
  }

  void report(HidChangeKind kind, const std::vector<std::string>& changed) {
    // A node whose paths are unknown still changed the list.
    if (changed.empty()) {
      if (!stop) callback(HidChange{kind, {}});
      return;
    }
    for (const std::string& path : changed) {
      if (stop) return;
      callback(HidChange{kind, path});
    }
  }

  void handle(udev_device* event) {
    const char* action = udev_device_get_action(event);
    const std::string syspath = textOr(udev_device_get_syspath(event));
    if (action == nullptr) return;
    if (std::strcmp(action, "add") == 0) {
      const auto node = describeHidraw(udev.get(), syspath, *catalog);
      std::vector<std::string> added = node ? pathsOf(*node) : std::vector<std::string>{};
      paths[syspath] = added;
      report(HidChangeKind::Arrival, added);
    } else if (std::strcmp(action, "remove") == 0) {
      std::vector<std::string> removed;
      if (const auto at = paths.find(syspath); at != paths.end()) {
        removed = std::move(at->second);
        paths.erase(at);
      }
      report(HidChangeKind::Removal, removed);
    }
  }

  // The nodes whose paths changed with a verdict, as though they went and came back as they
  // are now; a node that went is left to its own "remove".
  void rejudge() {
    for (auto& [syspath, known] : paths) {
      const auto node = describeHidraw(udev.get(), syspath, *catalog);
      if (!node) continue;
      std::vector<std::string> now = pathsOf(*node);
      if (now == known) continue;
      const std::vector<std::string> before = std::exchange(known, now);
      report(HidChangeKind::Removal, before);
      report(HidChangeKind::Arrival, now);
    }
  }

  void run() {
    pollfd fds[3] = {{udev_monitor_get_fd(monitor.get()), POLLIN, 0},
                     {wake.fd(), POLLIN, 0},
                     {verdicts.fd(), POLLIN, 0}};
    while (!stop) {
      if (::poll(fds, 3, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (stop || (fds[1].revents & POLLIN) != 0) return;
      if ((fds[2].revents & POLLIN) != 0) {
        verdicts.clear();
        rejudge();
      }
      while (!stop) {
        UdevDevicePtr event(udev_monitor_receive_device(monitor.get()));
        if (!event) break;
        handle(event.get());
      }
    }
  }
};

class HidWatch final : public Subscription {
 public:
  explicit HidWatch(std::shared_ptr<WatchState> state) : state_(std::move(state)) {
    thread_ = std::thread([state = state_] { state->run(); });
  }
  ~HidWatch() override {
    state_->catalog->removeWatcher(state_->verdicts);
    state_->stop = true;
    state_->wake.ring();
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();  // ended from its own callback: it returns to run() and stops there
    } else {
      thread_.join();
    }
  }

 private:
  std::shared_ptr<WatchState> state_;
  std::thread thread_;
};

// A subscription on a machine that cannot be watched: nothing ever arrives.
class NoWatch final : public Subscription {};

}  // namespace

std::unique_ptr<Subscription> watchHidraw(std::function<void(const HidChange&)> callback,
                                          std::shared_ptr<HidrawCatalog> catalog) {
  auto state = std::make_shared<WatchState>();
  state->callback = std::move(callback);
  state->catalog = std::move(catalog);
  state->udev.reset(udev_new());
  if (state->udev) state->monitor.reset(udev_monitor_new_from_netlink(state->udev.get(), "udev"));
  if (!state->monitor || state->wake.fd() < 0 || state->verdicts.fd() < 0 ||
      udev_monitor_filter_add_match_subsystem_devtype(state->monitor.get(), "hidraw", nullptr) <
          0 ||
      udev_monitor_enable_receiving(state->monitor.get()) < 0) {
    return std::make_unique<NoWatch>();
  }
  // Nodes present now, so their removal can name them; listening, to udev and to the verdicts,
  // began before this scan.
  state->catalog->addWatcher(state->verdicts);
  for (const HidrawNode& node : listHidraw(state->udev.get(), *state->catalog)) {
    state->paths[node.syspath] = state->pathsOf(node);
  }
  return std::make_unique<HidWatch>(std::move(state));
}

}  // namespace brisa::platform
