#pragma once

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace brisa::platform {

// Wakes whoever polls the eventfd.
inline void ringEventFd(int eventFd) {
  const std::uint64_t one = 1;
  while (::write(eventFd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

// Takes the rings so far, so that the next poll waits again.
inline void drainEventFd(int eventFd) {
  std::uint64_t count = 0;
  while (::read(eventFd, &count, sizeof count) < 0 && errno == EINTR) {
  }
}

}  // namespace brisa::platform
