#pragma once

namespace brisa::platform {

// How a worker with nothing to do sleeps until it is given work: whoever raises one of its
// flags rings, and the worker's wait ends (at once when a ring came since its last wait). An
// eventfd, so a backend can wait on it together with a device's own node.
class Doorbell {
 public:
  Doorbell();
  ~Doorbell();
  Doorbell(const Doorbell&) = delete;
  Doorbell& operator=(const Doorbell&) = delete;

  // From any thread; never blocks.
  void ring();
  // Until rung; takes every ring so far.
  void wait();
  // Takes the rings so far without waiting.
  void clear();
  // Readable while rung; -1 when the system gave none (wait() then sleeps a short while).
  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace brisa::platform
