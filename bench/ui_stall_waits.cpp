// The modes that time what a user waits for: the window to close after an Update, and a good
// board to show after the silent one.
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "ui_stall_window.h"

namespace brisa::bench {
namespace {

constexpr auto kWaitLimit = std::chrono::seconds(30);
constexpr int kTickMs = 5;  // the window's own tick

// The board sends its state every 4 ms, an axis moving all the while, as a controller in use.
void Stream(std::shared_ptr<platform::sim::BoardFirmware> firmware) {
  std::thread([firmware] {
    for (std::int16_t value = 0;; value = static_cast<std::int16_t>(value + 37)) {
      firmware->setAxis(0, value);
      firmware->queueInputReport();
      std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
  }).detach();
}

}  // namespace

void ExitAfterUpdate(unsigned failAfterMs) {
  auto* application = new Application;
  Application& a = *application;
  const testbed::DeviceId board =
      a.bed.addUsbHid({testbed::boardHid(BoardModel::Osprey), 0x0100, kGood});
  a.start();
  const std::string name = "exit-after-update-ms " + std::to_string(failAfterMs);
  Clock::time_point updatedAt;
  int tries = 0;
  QTimer closing;
  QObject::connect(&closing, &QTimer::timeout, &closing, [&] { a.tryToClose(tries++); });
  Script script(nullptr,
                {{"the board's read shown", [&] { return a.updateEnabled(); },
                  [&] {
                    a.bed.server(board).silence(failAfterMs);
                    FinishAfter(kWaitLimit, [name] { return name + " failed"; });
                    updatedAt = Clock::now();
                    a.update();
                    closing.start(kTickMs);
                  },
                  30000}},
                [&] { Finish(name + " failed (the read was never shown)"); });
  a.app->InitInstance();
  Finish(Figure(name, Ms(Clock::now() - updatedAt)));
}

void AfterSilent() {
  auto* application = new Application;
  Application& a = *application;
  AddSilentBoard(a.bed);
  const testbed::DeviceId good =
      a.bed.addUsbHid({testbed::boardHid(BoardModel::Osprey), 0x0100, kGood});
  Stream(a.bed.server(good).spec().firmware);
  a.start();
  Clock::time_point pickedAt;
  // From the pick; below 0 while not yet seen.
  static std::atomic<double> pagesMs{-1}, inputMs{-1};
  const auto figures = [] {
    return Figure("after-silent-pages-ms", pagesMs) + "\n" +
           Figure("after-silent-input-ms", inputMs);
  };
  Script script(nullptr,
                {{"the first frame, the silent board selected",
                  [&] { return a.selector()->count() == 2 && a.selected(kSilent); },
                  [&] {
                    FinishAfter(kWaitLimit, figures);
                    pickedAt = Clock::now();
                    a.select(kGood);
                  },
                  30000},
                 {"the good board's pages filled and its live input shown",
                  [&] {
                    const double since = Ms(Clock::now() - pickedAt);
                    if (pagesMs < 0 && a.selected(kGood) && a.updateEnabled()) pagesMs = since;
                    if (inputMs < 0 && a.selected(kGood) && a.liveInputShown()) inputMs = since;
                    return pagesMs >= 0 && inputMs >= 0;
                  },
                  [&] { Finish(figures()); },
                  static_cast<int>(std::chrono::milliseconds(kWaitLimit).count()) + 1000}},
                [&] { Finish(figures()); });
  a.app->InitInstance();
  Finish(figures());
}

}  // namespace brisa::bench
