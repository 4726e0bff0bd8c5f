#include "bluez_mock.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/device_tree.h"

extern char** environ;

namespace brisa::testbed {

namespace {

const char* tool(const char* name) {
  const char* path = std::getenv(name);
  return path != nullptr && *path != '\0' ? path : nullptr;
}

// The children run outside umockdev: its preload is for the code under test only.
std::vector<std::string> plainEnvironment() {
  std::vector<std::string> out;
  for (char** at = environ; *at != nullptr; ++at) {
    if (std::strncmp(*at, "LD_PRELOAD=", 11) != 0 && std::strncmp(*at, "UMOCKDEV_", 9) != 0) {
      out.emplace_back(*at);
    }
  }
  return out;
}

// Runs a tool with its output on `stdoutFd` (-1: nowhere) and its chatter nowhere.
pid_t spawn(const std::vector<std::string>& argv, int stdoutFd) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const std::vector<std::string> env = plainEnvironment();
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdoutFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

void stop(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  ::kill(pid, SIGCONT);  // a frozen mock takes its end only once it runs
  ::waitpid(pid, nullptr, 0);
}

bool nameHasOwner(const char* name) {
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) return false;
  sd_bus_message* reply = nullptr;
  int owned = 0;
  if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus", "NameHasOwner", nullptr, &reply, "s", name) >= 0) {
    sd_bus_message_read(reply, "b", &owned);
    sd_bus_message_unref(reply);
  }
  sd_bus_flush_close_unref(bus);
  return owned != 0;
}

}  // namespace

bool BluezMock::toolsFound() {
  return tool("DBUS_DAEMON") != nullptr && tool("DBUSMOCK_PYTHON") != nullptr;
}

SystemBusAt::SystemBusAt(const std::string& address) {
  if (const char* saved = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) saved_ = saved;
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
}

SystemBusAt::~SystemBusAt() {
  if (saved_) {
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", saved_->c_str(), 1);
  } else {
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  }
}

BluezMock::BluezMock(bool withBluez) {
  if (!toolsFound()) return;
  // The daemon tells its address on a pipe and stays in the foreground as our child.
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return;
  daemon_ = spawn({tool("DBUS_DAEMON"), "--session", "--nofork", "--print-address=1"}, pipeFds[1]);
  ::close(pipeFds[1]);
  std::string address;
  char c = 0;
  while (::read(pipeFds[0], &c, 1) == 1 && c != '\n') address += c;
  ::close(pipeFds[0]);
  if (daemon_ < 0 || address.empty()) return;
  bus_.emplace(address);
  if (withBluez) startBluez();
}

bool BluezMock::startBluez() {
  if (!bus_ || mock_ >= 0) return running_;
  mock_ =
      spawn({tool("DBUSMOCK_PYTHON"), "-m", "dbusmock", "--system", "--template", "bluez5"}, -1);
  if (mock_ < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!nameHasOwner("org.bluez")) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  running_ = call("/", "org.bluez.Mock", "AddAdapter", "ss", "hci0", "brisa-test");
  return running_;
}

bool BluezMock::startSilentBluez() {
  if (!bus_ || mock_ >= 0 || silent_ != nullptr) return false;
  if (sd_bus_open_system(&silent_) < 0) return false;
  return sd_bus_request_name(silent_, "org.bluez", 0) >= 0;
}

BluezMock::~BluezMock() {
  sd_bus_flush_close_unref(silent_);
  stop(mock_);
  stop(daemon_);
}

bool BluezMock::call(const char* path, const char* interface, const char* method, const char* types,
                     ...) {
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) return false;
  sd_bus_message* message = nullptr;
  sd_bus_message* reply = nullptr;
  bool ok =
      sd_bus_message_new_method_call(bus, &message, "org.bluez", path, interface, method) >= 0;
  va_list args;
  va_start(args, types);
  ok = ok && sd_bus_message_appendv(message, types, args) >= 0;
  va_end(args);
  ok = ok && sd_bus_call(bus, message, 0, nullptr, &reply) >= 0;
  sd_bus_message_unref(reply);
  sd_bus_message_unref(message);
  sd_bus_flush_close_unref(bus);
  return ok;
}

std::string BluezMock::addDevice(const std::string& address, const std::string& name,
                                 std::optional<std::uint8_t> batteryLevel, const char* service) {
  call("/", "org.bluez.Mock", "AddDevice", "sss", "hci0", address.c_str(), name.c_str());
  std::string path = "/org/bluez/hci0/dev_";
  for (char ch : address) {
    path += ch == ':' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  }
  if (service != nullptr) {
    call(path.c_str(), "org.freedesktop.DBus.Properties", "Set", "ssv", "org.bluez.Device1",
         "UUIDs", "as", 1, service);
  }
  if (batteryLevel) {
    call(path.c_str(), "org.freedesktop.DBus.Mock", "AddProperties", "sa{sv}", "org.bluez.Battery1",
         1, "Percentage", "y", int{*batteryLevel});
    // As BlueZ tells of the interface once the device's battery is read; the template does not.
    call("/", "org.freedesktop.DBus.Mock", "EmitSignal", "sssav",
         "org.freedesktop.DBus.ObjectManager", "InterfacesAdded", "oa{sa{sv}}", 2, "o",
         path.c_str(), "a{sa{sv}}", 1, "org.bluez.Battery1", 1, "Percentage", "y",
         int{*batteryLevel});
  }
  return path;
}

void BluezMock::removeDevice(const std::string& objectPath) {
  call("/org/bluez/hci0", "org.bluez.Adapter1", "RemoveDevice", "o", objectPath.c_str());
}

void BluezMock::freeze() {
  if (mock_ > 0) ::kill(mock_, SIGSTOP);
}

void BluezMock::thaw() {
  if (mock_ > 0) ::kill(mock_, SIGCONT);
}

void awaitLowEnergy(platform::DeviceTree& tree, std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  const auto lowEnergy = [](const platform::DeviceInterface& i) {
    return i.path.find("00001812") != std::string::npos;
  };
  while (std::chrono::steady_clock::now() < deadline) {
    const auto listed = tree.hidInterfaces();
    if (static_cast<std::size_t>(std::count_if(listed.begin(), listed.end(), lowEnergy)) >= count)
      return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace brisa::testbed
