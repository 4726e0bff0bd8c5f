#pragma once

#include <QObject>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "ui/ui_thread.h"

namespace brisa::qt {

// Carries work to the GUI thread and waits for it, as a window message sent from a worker
// would; on the GUI thread itself the work runs at once. Construct on the GUI thread.
class QtUiThread final : public ui::UiThread {
 public:
  QtUiThread();
  ~QtUiThread() override;
  void invoke(const std::function<void()>& work) override;

  template <typename F>
  auto call(F&& f) -> decltype(f()) {
    if constexpr (std::is_void_v<decltype(f())>) {
      invoke(f);
    } else {
      std::optional<decltype(f())> result;
      invoke([&] { result.emplace(f()); });
      return std::move(*result);
    }
  }

 private:
  std::unique_ptr<QObject> m_receiver;
};

}  // namespace brisa::qt
