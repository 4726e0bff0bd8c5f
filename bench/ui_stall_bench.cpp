// The window's longest stalls on an emulated machine (umockdev), with the real window wired as
// main() wires it. A 1 ms timer on the window's thread measures the gaps between its ticks from
// the first frame on; what the bench itself does to the emulated machine (plugging a board) is
// taken out of the gap it falls in. Runs under umockdev-wrapper (see bench/ui-stall).
//   ui_stall_bench sequence   a board that answers every request after 5 s and then fails,
//                             selected at start, and a good board: select the good board, Update
//                             once its read is shown, plug a board and unplug it, Exit. Prints
//                             the longest stall of each step and "max-stall-ms N".
//   ui_stall_bench rebuild N  N - 1 good boards; plugs and unplugs one more, three times. Prints
//                             "rebuild-ms N T", T the median longest stall around a plug.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "boards.h"
#include "editor/brisa_app.h"
#include "real_window.h"
#include "resources/dialog_template.h"
#include "resources/menu.h"
#include "resources/resource_ids.h"

namespace brisa {
namespace {

using Clock = std::chrono::steady_clock;
using platform::sim::BoardModel;
namespace ids = res::main_dialog;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "ui_stall_bench: %s\n", why.c_str());
  std::fflush(nullptr);
  std::_Exit(1);
}

// Ticks every millisecond on the window's thread from the first painted window on, and keeps
// the longest gap between two ticks for the step under way when the gap ended.
class StallMeter final : public QObject {
 public:
  StallMeter() {
    QCoreApplication::instance()->installEventFilter(this);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
  }

  bool started() const { return m_started; }
  // Later gaps count for this step.
  void step(const std::string& name) {
    tick();
    m_steps.push_back({name, 0});
  }
  // The bench's own work on the emulated machine, on this thread: not the window's.
  void discount(Clock::duration d) { m_discount += d; }
  // The gap from the last tick to now, for a loop that has ended.
  void finish() { tick(); }
  const std::vector<std::pair<std::string, double>>& steps() const { return m_steps; }
  double longest() const {
    double most = 0;
    for (const auto& s : m_steps) most = std::max(most, s.second);
    return most;
  }

 private:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!m_started && event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
      m_started = true;
      m_last = Clock::now();
      m_steps.push_back({"after the first frame", 0});
      m_timer.start(1);
      QCoreApplication::instance()->removeEventFilter(this);
    }
    return false;
  }
  void tick() {
    if (!m_started) return;
    const Clock::time_point now = Clock::now();
    const double gap = Ms(now - m_last - m_discount);
    m_last = now;
    m_discount = {};
    m_steps.back().second = std::max(m_steps.back().second, gap);
  }

  QTimer m_timer;
  bool m_started = false;
  Clock::time_point m_last;
  Clock::duration m_discount{};
  std::vector<std::pair<std::string, double>> m_steps;
};

// The application as main() wires it, on the emulated machine.
struct Application : testbed::RealWindow {
  std::optional<editor::CBrisaApp> app;

  Application() {
    if (!bed.inMockEnvironment()) Fail("run it under umockdev-wrapper");
  }
  void start() {
    wire();
    app.emplace(context, environment);
  }
  QWidget* control(int id) const { return shell.window(res::dialog::kMain).widget(id); }
  QComboBox* selector() const { return static_cast<QComboBox*>(control(ids::kDeviceCombo)); }
  bool updateEnabled() const { return control(ids::kUpdateButton)->isEnabled(); }
  int indexOf(const char* product) const {
    for (int i = 0; i < selector()->count(); ++i) {
      if (selector()->itemText(i).contains(QString::fromUtf8(product))) return i;
    }
    return -1;
  }
  // As a user picks an entry: the selector's activation.
  void select(int index) const {
    selector()->setCurrentIndex(index);
    Q_EMIT selector()->activated(index);
  }
  void exit() const {
    const res::Menu& menu = res::GetMenu(res::GetDialogTemplate(res::dialog::kMain).menuId);
    const res::MenuItem* item = res::FindMenuItem(menu, res::command::ID_APP_EXIT);
    if (item == nullptr) Fail("the menu has no Exit");
    for (QAction* popup : shell.menuBar(res::dialog::kMain)->actions()) {
      if (popup->menu() == nullptr) continue;
      for (QAction* action : popup->menu()->actions()) {
        if (action->text() == QString::fromStdString(item->text)) return action->trigger();
      }
    }
    Fail("the menu bar has no Exit");
  }
  testbed::DeviceId plug(StallMeter& meter, BoardModel model, const char* product) {
    const Clock::time_point start = Clock::now();
    const testbed::DeviceId id = bed.addUsbHid({testbed::boardHid(model), 0x0100, product});
    meter.discount(Clock::now() - start);
    return id;
  }
  void unplug(StallMeter& meter, testbed::DeviceId id) {
    const Clock::time_point start = Clock::now();
    bed.remove(id);
    meter.discount(Clock::now() - start);
  }
};

// Steps run one after another from a 10 ms poll on the window's thread: each waits for its
// condition, then acts.
class Script final : public QObject {
 public:
  struct Step {
    std::string name;
    std::function<bool()> ready;
    std::function<void()> act;
    int timeoutMs = 60000;
  };

  explicit Script(std::vector<Step> steps) : m_steps(std::move(steps)) {
    QObject::connect(&m_poll, &QTimer::timeout, this, [this] { poll(); });
    m_poll.start(10);
  }

 private:
  void poll() {
    if (m_next == m_steps.size()) return;
    Step& step = m_steps[m_next];
    if (m_waitingSince == Clock::time_point{}) m_waitingSince = Clock::now();
    if (!step.ready()) {
      if (Ms(Clock::now() - m_waitingSince) > step.timeoutMs) Fail("timed out: " + step.name);
      return;
    }
    ++m_next;
    m_waitingSince = {};
    step.act();
  }

  std::vector<Step> m_steps;
  std::size_t m_next = 0;
  Clock::time_point m_waitingSince;
  QTimer m_poll;
};

constexpr const char* kSlow = "Brisa Kestrel";
constexpr const char* kGood = "Brisa Osprey";
constexpr const char* kPlugged = "Brisa Finch";

int Sequence() {
  auto* application = new Application;  // lives on with its workers
  testbed::HidrawSpec slow = testbed::boardHid(BoardModel::Kestrel);
  slow.failAfterMs = 5000;
  application->bed.addUsbHid({slow, 0x0100, kSlow});
  application->bed.addUsbHid({testbed::boardHid(BoardModel::Osprey), 0x0100, kGood});
  application->start();
  StallMeter meter;
  std::size_t messagesBefore = 0;
  testbed::DeviceId plugged = 0;
  Application& a = *application;
  Script script({
      {"the first frame with both boards listed",
       [&] { return meter.started() && a.selector()->count() == 2; },
       [&] {
         if (a.indexOf(kSlow) != 0 || a.selector()->currentIndex() != 0) {
           Fail("the slow board is not listed first and selected");
         }
         meter.step("select the good board");
         a.select(a.indexOf(kGood));
       }},
      {"the good board's read shown", [&] { return a.updateEnabled(); },
       [&] {
         meter.step("Update");
         messagesBefore = a.prompts.messages().size();
         static_cast<QPushButton*>(a.control(ids::kUpdateButton))->click();
       }},
      {"the outcome of Update", [&] { return a.prompts.messages().size() > messagesBefore; },
       [&] {
         meter.step("plug a board");
         plugged = a.plug(meter, BoardModel::Finch, kPlugged);
       }},
      {"the plugged board listed", [&] { return a.indexOf(kPlugged) >= 0; },
       [&] {
         meter.step("unplug it");
         a.unplug(meter, plugged);
       }},
      {"the unplugged board gone", [&] { return a.indexOf(kPlugged) < 0; },
       [&] {
         meter.step("Exit");
         a.exit();
       }},
      // Ends with the window; a refused Exit times out here.
      {"the window closed after Exit", [] { return false; }, [] {}, 30000},
  });
  a.app->InitInstance();
  meter.finish();
  std::printf("window thread's longest stall, ms, from the first frame on, by step\n");
  for (const auto& [name, ms] : meter.steps()) std::printf("  %-28s %9.1f\n", name.c_str(), ms);
  std::printf("max-stall-ms %.0f\n", meter.longest());
  return 0;
}

[[noreturn]] void Rebuild(int boards) {
  auto* application = new Application;
  for (int i = 1; i < boards; ++i) {
    application->bed.addUsbHid({testbed::boardHid(BoardModel::Osprey), 0x0100, kGood});
  }
  application->start();
  StallMeter meter;
  Application& a = *application;
  std::vector<double> plugs;
  testbed::DeviceId plugged = 0;
  Clock::time_point settled;
  const auto quietFor = [&](int ms) {
    if (settled == Clock::time_point{}) settled = Clock::now();
    if (Ms(Clock::now() - settled) < ms) return false;
    settled = {};
    return true;
  };
  std::vector<Script::Step> steps = {
      {"the first frame and the board's read shown",
       [&] { return meter.started() && a.updateEnabled() && quietFor(300); },
       [&] {
         if (a.selector()->count() != boards - 1) Fail("not every board is listed");
       }},
  };
  for (int round = 0; round < 3; ++round) {
    steps.push_back({"quiet", [&] { return quietFor(200); },
                     [&] {
                       meter.step("plug");
                       plugged = a.plug(meter, BoardModel::Finch, kPlugged);
                     }});
    steps.push_back({"the plugged board listed",
                     [&] { return a.indexOf(kPlugged) >= 0 && quietFor(200); },
                     [&] {
                       meter.step("unplug");
                       plugs.push_back(meter.steps()[meter.steps().size() - 2].second);
                       a.unplug(meter, plugged);
                     }});
    steps.push_back({"the unplugged board gone", [&] { return a.indexOf(kPlugged) < 0; },
                     [&] { meter.step("after"); }});
  }
  steps.push_back({"done", [] { return true; },
                   [&] {
                     std::sort(plugs.begin(), plugs.end());
                     std::printf("rebuild-ms %d %.1f\n", boards, plugs[plugs.size() / 2]);
                     std::fflush(nullptr);
                     std::_Exit(0);
                   }});
  Script script(std::move(steps));
  a.app->InitInstance();
  Fail("the window closed");
}

}  // namespace
}  // namespace brisa

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc == 2 && std::strcmp(argv[1], "sequence") == 0) {
    const int result = brisa::Sequence();
    // The workers loop until the process ends, on objects left alive for them.
    std::fflush(nullptr);
    std::_Exit(result);
  }
  if (argc == 3 && std::strcmp(argv[1], "rebuild") == 0 && std::atoi(argv[2]) >= 2) {
    brisa::Rebuild(std::atoi(argv[2]));
  }
  std::fprintf(stderr, "usage: %s sequence | rebuild BOARDS (at least 2)\n", argv[0]);
  return 2;
}
