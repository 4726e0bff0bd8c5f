#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>

#include "platform/hid_device.h"

namespace brisa::board {

// How often a worker waiting for a board's answer looks whether it still wants it.
inline constexpr std::chrono::milliseconds kCallLookPeriod{5};

// Requests still in progress on their own threads, those nobody waits for any more included:
// whoever owns what such a request uses (a test's simulated board) lets it end first.
std::size_t BoardCallsInProgress();

namespace detail {

std::atomic<std::size_t>& CallsInProgress();

template <typename Answer>
struct BoardCallState {
  std::mutex mutex;
  std::condition_variable answered;
  std::optional<Answer> answer;
};

}  // namespace detail

// Runs one request to a board on a thread of its own, and waits for the answer only while
// `wanted()` holds and for at most `bound`: a board that stopped answering keeps a request for
// seconds (5 s on Linux), and a worker that waits it out keeps the next board waiting too. The
// thread keeps its own share of the board until the request returns, so a board nobody wants
// any more closes there; an answer that comes after the worker stopped waiting is dropped.
// Absent when the worker stopped waiting.
template <typename Request, typename Wanted>
auto CallBoard(std::shared_ptr<platform::HidDevice> board, Request request, Wanted wanted,
               std::optional<std::chrono::milliseconds> bound = std::nullopt)
    -> std::optional<std::invoke_result_t<Request&, platform::HidDevice&>> {
  using Answer = std::invoke_result_t<Request&, platform::HidDevice&>;
  const auto call = std::make_shared<detail::BoardCallState<Answer>>();
  {
    auto run = [call, board = std::move(board), request = std::move(request)]() mutable {
      Answer answer = request(*board);
      board.reset();
      {
        std::lock_guard lock(call->mutex);
        call->answer = std::move(answer);
        call->answered.notify_all();
      }
      detail::CallsInProgress().fetch_sub(1, std::memory_order_acq_rel);
    };
    detail::CallsInProgress().fetch_add(1, std::memory_order_acq_rel);
    try {
      std::thread(run).detach();
    } catch (const std::system_error&) {
      run();  // no thread to be had: wait for the board after all
    }
  }
  const auto start = std::chrono::steady_clock::now();
  std::unique_lock lock(call->mutex);
  for (;;) {
    if (call->answer) return std::move(call->answer);
    if (!wanted()) return std::nullopt;
    std::chrono::steady_clock::duration look = kCallLookPeriod;
    if (bound) {
      const auto left = start + *bound - std::chrono::steady_clock::now();
      if (left <= std::chrono::steady_clock::duration::zero()) return std::nullopt;
      look = std::min(look, left);
    }
    call->answered.wait_for(lock, look);
  }
}

}  // namespace brisa::board
