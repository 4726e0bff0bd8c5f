#pragma once

#include <functional>
#include <mutex>

namespace brisa::ui {

// Hands work to the thread that owns the windows and returns when it has run there, so a
// worker can do several control operations as one step. Exceptions reach the caller.
class UiThread {
 public:
  virtual ~UiThread() = default;
  virtual void invoke(const std::function<void()>& work) = 0;
};

// Headless: the caller's thread runs the work, one caller at a time (nesting allowed).
class InlineUiThread final : public UiThread {
 public:
  void invoke(const std::function<void()>& work) override {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    work();
  }

 private:
  std::recursive_mutex m_mutex;
};

}  // namespace brisa::ui
