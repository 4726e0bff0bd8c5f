#include "ui_stall_window.h"

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "resources/dialog_template.h"
#include "resources/menu.h"
#include "resources/resource_ids.h"

namespace brisa::bench {

namespace ids = res::main_dialog;

namespace {

std::mutex cleanupsLock;
std::vector<std::function<void()>>& Cleanups() {
  static std::vector<std::function<void()>> cleanups;
  return cleanups;
}

[[noreturn]] void End(std::FILE* stream, const std::string& text, int code) {
  static std::atomic<bool> ending{false};
  if (ending.exchange(true)) {
    for (;;) ::pause();
  }
  std::fprintf(stream, "%s\n", text.c_str());
  std::fflush(nullptr);
  {
    std::lock_guard lock(cleanupsLock);
    for (const auto& cleanup : Cleanups()) cleanup();
  }
  std::_Exit(code);
}

}  // namespace

void Fail(const std::string& why) {
  End(stderr, "ui_stall_bench: " + why, 1);
}

void Finish(const std::string& text) {
  End(stdout, text, 0);
}

void AtTheEnd(std::function<void()> cleanup) {
  std::lock_guard lock(cleanupsLock);
  Cleanups().push_back(std::move(cleanup));
}

void FinishAfter(std::chrono::seconds limit, std::function<std::string()> text) {
  std::thread([limit, text = std::move(text)] {
    std::this_thread::sleep_for(limit);
    Finish(text());
  }).detach();
}

void AddSilentBoard(testbed::Testbed& bed) {
  testbed::HidrawSpec silent = testbed::boardHid(BoardModel::Kestrel);
  silent.failAfterMs = kSilentAfterMs;
  bed.addUsbHid({silent, 0x0100, kSilent});
}

testbed::DeviceId AddSequenceMachine(testbed::Testbed& bed) {
  AddSilentBoard(bed);
  bed.addUsbHid({testbed::boardHid(BoardModel::Osprey), 0x0100, kGood});
  const testbed::DeviceId fallsSilent =
      bed.addUsbHid({testbed::boardHid(BoardModel::Sparrow), 0x0100, kFallsSilent});
  testbed::answerNothing(bed.bootloader(bed.addBootloader()));
  return fallsSilent;
}

Application::Application() {
  if (!bed.inMockEnvironment()) Fail("run it under umockdev-wrapper");
}

void Application::start() {
  wire();
  app.emplace(context, environment);
}

QWidget* Application::control(int id) const {
  return shell.window(res::dialog::kMain).widget(id);
}

QComboBox* Application::selector() const {
  return static_cast<QComboBox*>(control(ids::kDeviceCombo));
}

bool Application::updateEnabled() const {
  return control(ids::kUpdateButton)->isEnabled();
}

int Application::indexOf(const char* product) const {
  for (int i = 0; i < selector()->count(); ++i) {
    if (selector()->itemText(i).contains(QString::fromUtf8(product))) return i;
  }
  return -1;
}

bool Application::selected(const char* product) const {
  const int index = indexOf(product);
  return index >= 0 && selector()->currentIndex() == index;
}

void Application::select(const char* product) const {
  const int index = indexOf(product);
  if (index < 0) Fail(std::string(product) + " is not listed");
  selector()->setCurrentIndex(index);
  Q_EMIT selector()->activated(index);
}

void Application::update() const {
  static_cast<QPushButton*>(control(ids::kUpdateButton))->click();
}

void Application::exit() const {
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

void Application::tryToClose(int way) const {
  const QPointer<QWidget> window = shell.widget(res::dialog::kMain);
  if (window == nullptr || !window->isVisible()) return;
  switch (way % 3) {
    case 0:
      window->close();
      return;
    case 1: {
      // Where the keyboard focus is, as a key goes; the window itself when it has none.
      QWidget* focus = QApplication::focusWidget();
      QWidget* target = focus != nullptr && focus->window() == window ? focus : window.data();
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(target, &press);
      if (target != nullptr && window != nullptr) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
      }
      return;
    }
    default:
      exit();
  }
}

bool Application::liveInputShown() const {
  const ui::Window& axes = shell.window(res::dialog::kAxisSetup);
  for (int k = 0; k < res::axis_setup::kAxisCount; ++k) {
    if (!axes.text(res::axis_setup::ValueEdit(k)).empty()) return true;
  }
  return false;
}

testbed::DeviceId Application::plug(StallMeter& meter, BoardModel model, const char* product) {
  const Clock::time_point start = Clock::now();
  const testbed::DeviceId id = bed.addUsbHid({testbed::boardHid(model), 0x0100, product});
  meter.discount(Clock::now() - start);
  return id;
}

void Application::unplug(StallMeter& meter, testbed::DeviceId id) {
  const Clock::time_point start = Clock::now();
  bed.remove(id);
  meter.discount(Clock::now() - start);
}

Script::Script(StallMeter* meter, std::vector<Step> steps, std::function<void()> end)
    : m_meter(meter), m_steps(std::move(steps)), m_end(std::move(end)) {
  QObject::connect(&m_poll, &QTimer::timeout, this, [this] { poll(); });
  m_poll.start(10);
}

void Script::poll() {
  if (m_next == m_steps.size()) return;
  Step& step = m_steps[m_next];
  if (m_waitingSince == Clock::time_point{}) m_waitingSince = Clock::now();
  const bool ready = step.ready();
  if (!ready && Ms(Clock::now() - m_waitingSince) <= step.timeoutMs) return;
  if (!ready && m_meter != nullptr) {
    m_meter->fail(step.waitingFor + ": not within " + std::to_string(step.timeoutMs / 1000) + " s");
  }
  ++m_next;
  m_waitingSince = {};
  if (m_next == m_steps.size() && !ready) return m_end();
  step.act();
}

bool Quiet::operator()(int ms) {
  if (m_since == Clock::time_point{}) m_since = Clock::now();
  if (Ms(Clock::now() - m_since) < ms) return false;
  m_since = {};
  return true;
}

void AddHotplugSteps(std::vector<Script::Step>& steps, Application& a, StallMeter& meter,
                     Hotplugs& out, int rounds, int quietMs) {
  // The step just ended is the one before the step begun now.
  const auto longestBefore = [&meter] {
    const std::vector<StallMeter::Step> all = meter.steps();
    return all[all.size() - 2].longestMs;
  };
  for (int round = 0; round < rounds; ++round) {
    steps.push_back({"quiet", [&out, quietMs] { return out.quiet(quietMs); },
                     [&a, &meter, &out] {
                       meter.step("plug");
                       out.plugged = a.plug(meter, BoardModel::Finch, kPlugged);
                     }});
    steps.push_back({"the plugged board listed",
                     [&a, &out, quietMs] { return a.indexOf(kPlugged) >= 0 && out.quiet(quietMs); },
                     [&a, &meter, &out, longestBefore] {
                       meter.step("unplug");
                       out.plugs.push_back(longestBefore());
                       a.unplug(meter, out.plugged);
                     }});
    steps.push_back({"the unplugged board gone",
                     [&a, &out, quietMs] { return a.indexOf(kPlugged) < 0 && out.quiet(quietMs); },
                     [&meter, &out, longestBefore] {
                       meter.step("after");
                       out.unplugs.push_back(longestBefore());
                     }});
  }
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

std::string Figure(const std::string& name, double ms) {
  if (ms < 0) return name + " failed";
  char text[32];
  std::snprintf(text, sizeof text, " %.1f", ms);
  return name + text;
}

}  // namespace brisa::bench
