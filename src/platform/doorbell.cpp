#include "platform/doorbell.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace brisa::platform {

namespace {

// Without an eventfd a waiting worker looks again this often, as an unwoken worker used to.
constexpr int kFallbackWaitMs = 30;

}  // namespace

Doorbell::Doorbell() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Doorbell::~Doorbell() {
  if (fd_ >= 0) ::close(fd_);
}

void Doorbell::ring() {
  if (fd_ < 0) return;
  const std::uint64_t one = 1;
  // EAGAIN only when the counter is full, and then the bell is rung anyway.
  while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void Doorbell::clear() {
  if (fd_ < 0) return;
  std::uint64_t count = 0;
  while (::read(fd_, &count, sizeof count) < 0 && errno == EINTR) {
  }
}

void Doorbell::wait() {
  pollfd ready{fd_, POLLIN, 0};
  if (fd_ < 0) {
    ::poll(nullptr, 0, kFallbackWaitMs);
    return;
  }
  while (::poll(&ready, 1, -1) < 0 && errno == EINTR) {
  }
  clear();
}

}  // namespace brisa::platform
