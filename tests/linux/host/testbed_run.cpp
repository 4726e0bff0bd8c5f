// Runs a command on an emulated machine with one board (an Osprey on USB, left alone: it sends
// no input report, as a board whose controls nobody touches) and one board in its DFU bootloader,
// served through the real kernel interfaces by the simulated devices, until the command ends. For
// looking at the real window and measuring it without hardware:
//   umockdev-wrapper build/tests/linux_testbed_run [--pid-file FILE] -- build/src/app/brisa

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "boards.h"
#include "testbed.h"

extern char** environ;

int main(int argc, char** argv) {
  const char* pidFile = nullptr;
  int command = 1;
  for (; command < argc && std::strcmp(argv[command], "--") != 0; ++command) {
    if (std::strcmp(argv[command], "--pid-file") == 0 && command + 1 < argc) {
      pidFile = argv[++command];
    }
  }
  if (++command >= argc) {
    std::fprintf(stderr, "usage: %s [--pid-file FILE] -- COMMAND [ARGS...]\n", argv[0]);
    return 2;
  }
  brisa::testbed::Testbed bed;
  if (!bed.inMockEnvironment()) {
    std::fprintf(stderr, "%s: run it under umockdev-wrapper\n", argv[0]);
    return 2;
  }
  bed.addUsbHid(
      {brisa::testbed::boardHid(brisa::platform::sim::BoardModel::Osprey), 0x0100, "Brisa Osprey"});
  bed.addUsbDevice({});

  pid_t child = -1;
  if (posix_spawnp(&child, argv[command], nullptr, nullptr, argv + command, environ) != 0) {
    std::perror(argv[command]);
    return 127;
  }
  if (pidFile != nullptr) {
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
