#include "board/board_call.h"

namespace brisa::board {

std::size_t BoardCallsInProgress() {
  return detail::CallsInProgress().load(std::memory_order_acquire);
}

namespace detail {

std::atomic<std::size_t>& CallsInProgress() {
  static std::atomic<std::size_t> count{0};
  return count;
}

}  // namespace detail
}  // namespace brisa::board
