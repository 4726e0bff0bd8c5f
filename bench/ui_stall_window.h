#pragma once

// What the modes of ui_stall_bench share: the real window on the emulated machine, the steps a
// mode runs on the window's thread, and the ending of a run that does not finish.
#include <QComboBox>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "boards.h"
#include "editor/brisa_app.h"
#include "real_window.h"
#include "stall_meter.h"

namespace brisa::bench {

using platform::sim::BoardModel;

inline constexpr const char* kSilent = "Brisa Kestrel";
inline constexpr const char* kGood = "Brisa Osprey";
inline constexpr const char* kFallsSilent = "Brisa Sparrow";
inline constexpr const char* kPlugged = "Brisa Finch";
inline constexpr const char* kBootloader = "STM32  BOOTLOADER";
inline constexpr const char* kLowEnergy = "Merlin";
inline constexpr unsigned kSilentAfterMs = 5000;  // as uhid and usbhid give up on a board

// Finish prints `text` and ends the process, Fail tells why the bench cannot go on and ends it
// with an error; either waits for another thread that has begun to end it. For the run's own end
// and for a deadline that ends a run stuck past it.
[[noreturn]] void Finish(const std::string& text);
[[noreturn]] void Fail(const std::string& why);
// Runs `cleanup` when the run ends, whichever way: what the run started outside the process
// (a bus, a mock BlueZ) must not outlive it.
void AtTheEnd(std::function<void()> cleanup);
// From now on, Finish(text()) once `limit` has passed, however the window's thread fares.
void FinishAfter(std::chrono::seconds limit, std::function<std::string()> text);

// The board that answers every request after 5 s and then fails (the silent board), listed first.
void AddSilentBoard(testbed::Testbed& bed);
// The sequence's machine: the silent board, a good board, a board that falls silent later (its
// id is returned) and a bootloader that answers nothing.
testbed::DeviceId AddSequenceMachine(testbed::Testbed& bed);

// The application as main() wires it, on the emulated machine.
struct Application : testbed::RealWindow {
  std::optional<editor::CBrisaApp> app;

  Application();
  void start();
  QWidget* control(int id) const;
  QComboBox* selector() const;
  bool updateEnabled() const;
  int indexOf(const char* product) const;
  bool selected(const char* product) const;
  // As a user picks an entry: the selector's activation.
  void select(const char* product) const;
  void update() const;
  // Exit from the menu.
  void exit() const;
  // The `way`th of the ways a user closes the window, by turns: the close box, Esc, File > Exit.
  void tryToClose(int way) const;
  // A value of the board's live input is shown on the Axis Setup page.
  bool liveInputShown() const;
  testbed::DeviceId plug(StallMeter& meter, BoardModel model, const char* product);
  void unplug(StallMeter& meter, testbed::DeviceId id);
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

  Script(StallMeter* meter, std::vector<Step> steps, std::function<void()> end);

 private:
  void poll();

  StallMeter* m_meter;
  std::vector<Step> m_steps;
  std::function<void()> m_end;
  std::size_t m_next = 0;
  Clock::time_point m_waitingSince;
  QTimer m_poll;
};

// Whether `ms` have passed since it was first asked in a row; then it starts again.
class Quiet {
 public:
  bool operator()(int ms);

 private:
  Clock::time_point m_since;
};

// A board plugged in and unplugged again, round after round, each after `quietMs` of quiet:
// the window thread's longest stall around each plug and each unplug, till `quietMs` after the
// list has shown it.
struct Hotplugs {
  std::vector<double> plugs;
  std::vector<double> unplugs;
  testbed::DeviceId plugged = 0;
  Quiet quiet;
};
void AddHotplugSteps(std::vector<Script::Step>& steps, Application& a, StallMeter& meter,
                     Hotplugs& out, int rounds, int quietMs);

double Median(std::vector<double> values);
// "NAME MS", or "NAME failed" when `ms` is below 0.
std::string Figure(const std::string& name, double ms);

// The modes; each ends the process.
[[noreturn]] void Sequence(const char* startMs);
[[noreturn]] void Start(const std::vector<char*>& command);
[[noreturn]] void Rebuild(int boards);
[[noreturn]] void ExitAfterUpdate(unsigned failAfterMs);
[[noreturn]] void AfterSilent();
[[noreturn]] void BluezAppears();
[[noreturn]] void BluezSilent();

}  // namespace brisa::bench
