// Runs a command on an emulated machine with one board (an Osprey on USB, left alone: it sends
// no input report, as a board whose controls nobody touches) and one board in its DFU bootloader
// that takes a firmware image, served through the real kernel interfaces by the simulated
// devices, until the command ends. For looking at the real window and measuring it without
// hardware:
//   umockdev-wrapper build/tests/linux_testbed_run [--pid-file FILE] [--no-udev-rule]
//     -- build/src/app/brisa
// --no-udev-rule: the nodes refuse the command as they refuse a user without the udev rule,
// root included. Without a session bus (DBUS_SESSION_BUS_ADDRESS unset) the command gets one of
// its own for its lifetime (dbus-run-session), so none is left behind.

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "boards.h"
#include "testbed.h"

namespace {

constexpr int kFileOverrides[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER};

// In the child, before exec: root keeps no capability that opens a file its mode refuses, across
// exec too (the bounding set), so it meets the nodes as an ordinary user does. Only system calls
// here, as after fork in a process with threads. An ordinary user has none of them to drop.
void dropFileOverrides() {
  for (const int cap : kFileOverrides) ::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0);
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0) return;
  for (const int cap : kFileOverrides) {
    const std::uint32_t bit = 1u << cap;
    data[0].effective &= ~bit;
    data[0].permitted &= ~bit;
    data[0].inheritable &= ~bit;
  }
  ::syscall(SYS_capset, &header, data);
}

}  // namespace

int main(int argc, char** argv) {
  const char* pidFile = nullptr;
  bool noUdevRule = false;
  int command = 1;
  for (; command < argc && std::strcmp(argv[command], "--") != 0; ++command) {
    if (std::strcmp(argv[command], "--pid-file") == 0 && command + 1 < argc) {
      pidFile = argv[++command];
    } else if (std::strcmp(argv[command], "--no-udev-rule") == 0) {
      noUdevRule = true;
    }
  }
  if (++command >= argc) {
    std::fprintf(stderr, "usage: %s [--pid-file FILE] [--no-udev-rule] -- COMMAND [ARGS...]\n",
                 argv[0]);
    return 2;
  }
  brisa::testbed::Testbed bed;
  if (!bed.inMockEnvironment()) {
    std::fprintf(stderr, "%s: run it under umockdev-wrapper\n", argv[0]);
    return 2;
  }
  const auto board = bed.addUsbHid(
      {brisa::testbed::boardHid(brisa::platform::sim::BoardModel::Osprey), 0x0100, "Brisa Osprey"});
  const auto bootloader = bed.addBootloader();
  if (noUdevRule) {
    bed.denyAccess(board);
    bed.denyAccess(bootloader);
  }

  // The command line, put together before fork. Under a session bus of its own, a shell that
  // is the command's own process once it has written the pid file and exec'd.
  std::vector<char*> args;
  const bool ownBus = std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr;
  if (ownBus) {
    for (const char* arg :
         {"dbus-run-session", "--", "sh", "-c", "[ -z \"$0\" ] || echo $$ > \"$0\"; exec \"$@\""}) {
      args.push_back(const_cast<char*>(arg));
    }
    args.push_back(const_cast<char*>(pidFile != nullptr ? pidFile : ""));
  }
  for (int i = command; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);

  const pid_t child = ::fork();
  if (child < 0) {
    std::perror("fork");
    return 127;
  }
  if (child == 0) {
    if (noUdevRule) dropFileOverrides();
    ::execvp(args[0], args.data());
    constexpr char kFailed[] = "linux_testbed_run: cannot start the command\n";
    [[maybe_unused]] const ssize_t told = ::write(STDERR_FILENO, kFailed, sizeof kFailed - 1);
    ::_exit(127);
  }
  if (pidFile != nullptr && !ownBus) {
    if (FILE* f = std::fopen(pidFile, "w")) {
      std::fprintf(f, "%d\n", static_cast<int>(child));
      std::fclose(f);
    }
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
