#pragma once

// The window thread's longest stalls, step by step: a 1 ms timer on the window's thread
// measures the gaps between its ticks from the first frame on. A watchdog thread ends the run
// with what it has when the window thread stays blocked too long to wait for.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brisa::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

class StallMeter final : public QObject {
 public:
  struct Step {
    std::string name;
    bool silent = false;  // it selects a board that does not answer
    double longestMs = 0;
    std::string failure;  // empty: it finished
  };

  // `start`: when the application began, before its window was made; `toFirstFrame` runs from
  // there to the first frame, `afterFirstFrame` from then on until the next step.
  StallMeter(Step toFirstFrame, Step afterFirstFrame, Clock::time_point start)
      : m_start(start), m_afterFirstFrame(std::move(afterFirstFrame)) {
    m_steps.push_back(std::move(toFirstFrame));
    QCoreApplication::instance()->installEventFilter(this);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
  }
  ~StallMeter() override { stopWatching(); }

  bool started() const { return m_started; }
  // Later gaps count for this step.
  void step(const std::string& name, bool silent = false) {
    tick();
    std::lock_guard lock(m_mutex);
    m_steps.push_back({name, silent, 0, {}});
  }
  // The step under way did not finish.
  void fail(const std::string& why) {
    tick();
    std::lock_guard lock(m_mutex);
    m_steps.back().failure = why;
  }
  // The bench's own work on the emulated machine, on this thread: not the window's.
  void discount(Clock::duration d) { m_discount += d; }
  // The gap from the last tick to now, for a loop that has ended.
  void finish() { tick(); }

  // From now on, a window thread blocked for longer than `limit` ends the process, with the
  // report printed by `report` and the step under way marked as failed.
  void watch(std::chrono::seconds limit, std::function<void()> report) {
    m_report = std::move(report);
    m_watchdog = std::thread([this, limit] {
      while (!m_stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        {
          std::lock_guard lock(m_mutex);
          if (!m_started || Clock::now() - m_last < limit) continue;
          Step& step = m_steps.back();
          step.longestMs = std::max(step.longestMs, Ms(Clock::now() - m_last));
          step.failure =
              "the window thread was still blocked after " + std::to_string(limit.count()) + " s";
        }
        m_report();
        std::fflush(nullptr);
        std::_Exit(0);
      }
    });
  }
  void stopWatching() {
    m_stop = true;
    if (m_watchdog.joinable()) m_watchdog.join();
  }

  std::vector<Step> steps() const {
    std::lock_guard lock(m_mutex);
    return m_steps;
  }

 private:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!m_started && event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
      std::lock_guard lock(m_mutex);
      m_started = true;
      m_last = Clock::now();
      m_steps.back().longestMs = Ms(m_last - m_start);
      m_steps.push_back(m_afterFirstFrame);
      m_timer.start(1);
      QCoreApplication::instance()->removeEventFilter(this);
    }
    return false;
  }
  void tick() {
    std::lock_guard lock(m_mutex);
    if (!m_started) return;
    const Clock::time_point now = Clock::now();
    const double gap = Ms(now - m_last - m_discount);
    m_last = now;
    m_discount = {};
    m_steps.back().longestMs = std::max(m_steps.back().longestMs, gap);
  }

  mutable std::mutex m_mutex;
  QTimer m_timer;
  std::atomic<bool> m_started{false};
  const Clock::time_point m_start;
  const Step m_afterFirstFrame;
  Clock::time_point m_last;
  Clock::duration m_discount{};
  std::vector<Step> m_steps;
  std::thread m_watchdog;
  std::atomic<bool> m_stop{false};
  std::function<void()> m_report;
};

}  // namespace brisa::bench
