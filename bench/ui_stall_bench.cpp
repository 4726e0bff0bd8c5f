// The window's longest stalls on an emulated machine (umockdev), with the real window wired as
// main() wires it. A 1 ms timer on the window's thread measures the gaps between its ticks from
// the first frame on; what the bench itself does to the emulated machine (plugging a board) is
// taken out of the gap it falls in. Runs under umockdev-wrapper (see bench/ui-stall).
//   ui_stall_bench sequence   a board that answers every request after 5 s and then fails
//                             (the silent board), listed first and selected at start; a good
//                             board; a board that answers until it falls silent; a bootloader
//                             that answers nothing. Steps: the start to the first frame, the
//                             first tick's rebuild (the bootloader counted: the silent board
//                             selected again), select the good board, Update, plug a board and
//                             unplug it, select the silent board, plug and unplug while it is
//                             selected, select the bootloader, select the board that falls
//                             silent and Update once it has, pick the good board while that
//                             Update hangs, Exit. Prints each step's longest stall, marked
//                             "silent" when the step selects a board that does not answer, then
//                             "silent-select-ms M" over those and "max-stall-ms N" over the
//                             others. A step that does not finish is printed as failed.
//   ui_stall_bench rebuild N  N - 1 good boards; plugs and unplugs one more, three times. Prints
//                             "rebuild-ms N T", T the median longest stall around a plug.
#include <QAction>
#include <QApplication>
#include <QComboBox>
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
#include "stall_meter.h"

namespace brisa {
namespace {

using bench::Clock;
using bench::Ms;
using bench::StallMeter;
using platform::sim::BoardModel;
namespace ids = res::main_dialog;

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "ui_stall_bench: %s\n", why.c_str());
  std::fflush(nullptr);
  std::_Exit(1);
}

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
  bool selected(const char* product) const {
    const int index = indexOf(product);
    return index >= 0 && selector()->currentIndex() == index;
  }
  // As a user picks an entry: the selector's activation.
  void select(const char* product) const {
    const int index = indexOf(product);
    if (index < 0) Fail(std::string(product) + " is not listed");
    selector()->setCurrentIndex(index);
    Q_EMIT selector()->activated(index);
  }
  void update() const { static_cast<QPushButton*>(control(ids::kUpdateButton))->click(); }
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
// condition, then acts. A condition not met in time marks the step under way as failed; the
// script goes on with the next step, or ends the window's run at the last one.
class Script final : public QObject {
 public:
  struct Step {
    std::string waitingFor;
    std::function<bool()> ready;
    std::function<void()> act;
    int timeoutMs = 60000;
  };

  Script(StallMeter& meter, std::vector<Step> steps, std::function<void()> end)
      : m_meter(meter), m_steps(std::move(steps)), m_end(std::move(end)) {
    QObject::connect(&m_poll, &QTimer::timeout, this, [this] { poll(); });
    m_poll.start(10);
  }

 private:
  void poll() {
    if (m_next == m_steps.size()) return;
    Step& step = m_steps[m_next];
    if (m_waitingSince == Clock::time_point{}) m_waitingSince = Clock::now();
    const bool ready = step.ready();
    if (!ready && Ms(Clock::now() - m_waitingSince) <= step.timeoutMs) return;
    if (!ready) {
      m_meter.fail(step.waitingFor + ": not within " + std::to_string(step.timeoutMs / 1000) +
                   " s");
    }
    ++m_next;
    m_waitingSince = {};
    if (m_next == m_steps.size() && !ready) return m_end();
    step.act();
  }

  StallMeter& m_meter;
  std::vector<Step> m_steps;
  std::function<void()> m_end;
  std::size_t m_next = 0;
  Clock::time_point m_waitingSince;
  QTimer m_poll;
};

// Whether `ms` have passed since it was first asked in a row; then it starts again.
class Quiet {
 public:
  bool operator()(int ms) {
    if (m_since == Clock::time_point{}) m_since = Clock::now();
    if (Ms(Clock::now() - m_since) < ms) return false;
    m_since = {};
    return true;
  }

 private:
  Clock::time_point m_since;
};

constexpr const char* kSilent = "Brisa Kestrel";
constexpr const char* kGood = "Brisa Osprey";
constexpr const char* kFallsSilent = "Brisa Sparrow";
constexpr const char* kPlugged = "Brisa Finch";
constexpr const char* kBootloader = "STM32  BOOTLOADER";
constexpr unsigned kSilentAfterMs = 5000;  // as uhid and usbhid give up on a board
constexpr auto kBlockedLimit = std::chrono::seconds(60);

void PrintSteps(const StallMeter& meter, const Application& a) {
  std::printf(
      "window thread's longest stall, ms, by step (silent: the step selects a board that "
      "answers nothing)\n");
  double silent = 0, other = 0;
  int failed = 0;
  for (const StallMeter::Step& s : meter.steps()) {
    std::printf("  %-66s %-6s %9.1f%s%s\n", s.name.c_str(), s.silent ? "silent" : "", s.longestMs,
                s.failure.empty() ? "" : "  FAILED: ", s.failure.c_str());
    double& longest = s.silent ? silent : other;
    longest = std::max(longest, s.longestMs);
    if (!s.failure.empty()) ++failed;
  }
  std::printf("messages shown:\n");
  for (const std::string& message : a.prompts.messages()) std::printf("  %s\n", message.c_str());
  std::printf("failed-steps %d\n", failed);
  std::printf("silent-select-ms %.0f\n", silent);
  std::printf("max-stall-ms %.0f\n", other);
  std::fflush(nullptr);
}

int Sequence() {
  auto* application = new Application;  // lives on with its workers
  Application& a = *application;
  testbed::HidrawSpec silent = testbed::boardHid(BoardModel::Kestrel);
  silent.failAfterMs = kSilentAfterMs;
  a.bed.addUsbHid({silent, 0x0100, kSilent});
  a.bed.addUsbHid({testbed::boardHid(BoardModel::Osprey), 0x0100, kGood});
  const testbed::DeviceId fallsSilent =
      a.bed.addUsbHid({testbed::boardHid(BoardModel::Sparrow), 0x0100, kFallsSilent});
  testbed::answerNothing(a.bed.bootloader(a.bed.addBootloader()));
  a.start();
  // The first tick finds the bootloader, which no tick had counted yet, and rebuilds the list.
  StallMeter meter(
      {"the start, the silent board selected, to the first frame", true, 0, {}},
      {"after it, the first tick's rebuild selects the silent board again", true, 0, {}},
      Clock::now());
  meter.watch(kBlockedLimit, [&] { PrintSteps(meter, a); });
  std::size_t messagesBefore = 0;
  testbed::DeviceId plugged = 0;
  Quiet quiet;
  const auto step = [&](const char* name, bool silentSelect = false) {
    meter.step(name, silentSelect);
  };
  Script script(
      meter,
      {
          {"the first frame with every board listed",
           [&] { return meter.started() && a.selector()->count() == 4; },
           [&] {
             if (a.indexOf(kSilent) != 0 || !a.selected(kSilent)) {
               Fail("the silent board is not listed first and selected");
             }
             step("select the good board");
             a.select(kGood);
           }},
          {"the good board's read shown", [&] { return a.updateEnabled(); },
           [&] {
             step("Update");
             messagesBefore = a.prompts.messages().size();
             a.update();
           }},
          {"the outcome of Update", [&] { return a.prompts.messages().size() > messagesBefore; },
           [&] {
             step("plug a board");
             plugged = a.plug(meter, BoardModel::Finch, kPlugged);
           }},
          {"the plugged board listed", [&] { return a.indexOf(kPlugged) >= 0; },
           [&] {
             step("unplug it");
             a.unplug(meter, plugged);
           }},
          {"the unplugged board gone", [&] { return a.indexOf(kPlugged) < 0 && quiet(300); },
           [&] {
             step("select the silent board", true);
             a.select(kSilent);
           }},
          {"a second with the silent board selected", [&] { return quiet(1000); },
           [&] {
             step("plug a board while the silent board is selected", true);
             plugged = a.plug(meter, BoardModel::Finch, kPlugged);
           }},
          {"the plugged board listed, then a second",
           [&] { return a.indexOf(kPlugged) >= 0 && quiet(1000); },
           [&] {
             step("unplug it while the silent board is selected", true);
             a.unplug(meter, plugged);
           }},
          {"the unplugged board gone, then a second",
           [&] { return a.indexOf(kPlugged) < 0 && quiet(1000); },
           [&] {
             step("select the bootloader that answers nothing", true);
             a.select(kBootloader);
           }},
          {"a second with the bootloader selected", [&] { return quiet(1000); },
           [&] {
             step("select the board that will fall silent");
             a.select(kFallsSilent);
           }},
          {"its read shown", [&] { return a.selected(kFallsSilent) && a.updateEnabled(); },
           [&] {
             a.bed.server(fallsSilent).silence(kSilentAfterMs);
             step("Update to it, fallen silent");
             a.update();
           }},
          {"a second of the Update hanging", [&] { return quiet(1000); },
           [&] {
             step("pick the good board while that Update hangs");
             a.select(kGood);
           }},
          {"the good board selected, then a second",
           [&] { return a.selected(kGood) && quiet(1000); },
           [&] {
             step("Exit");
             a.exit();
           }},
          // Ends with the window; a refused Exit times out here.
          {"the window closed after Exit", [] { return false; }, [] {}, 30000},
      },
      [&] {
        PrintSteps(meter, a);
        std::_Exit(0);
      });
  a.app->InitInstance();
  meter.finish();
  meter.stopWatching();
  PrintSteps(meter, a);
  return 0;
}

[[noreturn]] void Rebuild(int boards) {
  auto* application = new Application;
  for (int i = 1; i < boards; ++i) {
    application->bed.addUsbHid({testbed::boardHid(BoardModel::Osprey), 0x0100, kGood});
  }
  application->start();
  StallMeter meter({"the start", false, 0, {}}, {"after the first frame", false, 0, {}},
                   Clock::now());
  Application& a = *application;
  std::vector<double> plugs;
  testbed::DeviceId plugged = 0;
  Quiet quietFor;
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
                       plugs.push_back(meter.steps()[meter.steps().size() - 2].longestMs);
                       a.unplug(meter, plugged);
                     }});
    steps.push_back({"the unplugged board gone", [&] { return a.indexOf(kPlugged) < 0; },
                     [&] { meter.step("after"); }});
  }
  steps.push_back({"done", [] { return true; },
                   [&] {
                     for (const StallMeter::Step& s : meter.steps()) {
                       if (!s.failure.empty()) Fail(s.failure);
                     }
                     std::sort(plugs.begin(), plugs.end());
                     std::printf("rebuild-ms %d %.1f\n", boards, plugs[plugs.size() / 2]);
                     std::fflush(nullptr);
                     std::_Exit(0);
                   }});
  Script script(meter, std::move(steps), [] { Fail("a step did not finish"); });
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
