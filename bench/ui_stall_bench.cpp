// The window's longest stalls and waits on an emulated machine (umockdev), with the real window
// wired as main() wires it. A 1 ms timer on the window's thread measures the gaps between its
// ticks from the first frame on; what the bench itself does to the emulated machine (plugging a
// board) is taken out of the gap it falls in. Runs under umockdev-wrapper (see bench/ui-stall).
// Each mode prints its figures and ends; a step that does not finish is printed as failed.
//   ui_stall_bench start PROGRAM [ARGS...]
//                             the sequence's machine, then PROGRAM (the real brisa, under an X
//                             server) from exec to its first frame: "start-ms T".
//   ui_stall_bench sequence [START-MS]
//                             a board that answers every request after 5 s and then fails
//                             (the silent board), listed first and selected at start; a good
//                             board; a board that answers until it falls silent; a bootloader
//                             that answers nothing. Steps: the start as `start` measured it
//                             (START-MS, "failed" or nothing), the window made to its first
//                             frame and the first ticks after it (here, offscreen), select the
//                             good board, Update, plug a board and unplug it, select the silent
//                             board, plug and unplug while it is selected, select the
//                             bootloader, select the board that falls silent and Update once it
//                             has, pick the good board while that Update hangs, Exit. Prints
//                             each step's longest stall, marked "silent" when the step selects
//                             a board that does not answer, then "silent-select-ms M" over
//                             those and "max-stall-ms N" over the others.
//   ui_stall_bench rebuild N  N - 1 good boards; plugs and unplugs one more, three times:
//                             "rebuild-ms N P U", the median longest stall around a plug and an
//                             unplug.
//   ui_stall_bench exit-after-update MS
//                             a good board; once its configuration is shown, every feature
//                             request to it fails after MS ms. Update, then a try to close the
//                             window at every tick: "exit-after-update-ms MS T", from Update to
//                             the window closed (failed past 30 s).
//   ui_stall_bench after-silent
//                             the silent board selected at start, then a good board that
//                             streams input is picked: "after-silent-pages-ms T" to its pages
//                             filled, "after-silent-input-ms T" to its first live input shown.
//   ui_stall_bench bluez appears
//                             a Bluetooth LE board present while BlueZ is not on the (private)
//                             system bus; then BlueZ comes, knowing the board:
//                             "bluez-appears-ms T" from then until the board is listed.
//   ui_stall_bench bluez silent
//                             a BlueZ that takes every call and answers none, an LE board and a
//                             good board; a USB board plugged and unplugged three times, each
//                             rebuild more than a second after the last: "bluez-silent-stall-ms
//                             T", the longest stall around any of them.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "first_frame_time.h"
#include "ui_stall_window.h"

namespace brisa::bench {
namespace {

constexpr auto kBlockedLimit = std::chrono::seconds(60);

// printf into a text that grows.
template <typename... Args>
void Append(std::string& text, const char* format, Args... args) {
  char line[512];
  std::snprintf(line, sizeof line, format, args...);
  text += line;
}

std::string Report(const StallMeter& meter, const Application& a, const char* startMs) {
  std::string text =
      "window thread's longest stall, ms, by step (silent: the step selects a board that answers "
      "nothing)\n";
  double silent = 0, other = 0;
  int failed = 0;
  std::vector<StallMeter::Step> steps = meter.steps();
  if (startMs != nullptr) {
    // Measured from exec, under an X server, where the first tick can run before the first paint.
    StallMeter::Step start{"the start to the first frame, from exec, under Xvfb", true, 0, {}};
    char* end = nullptr;
    start.longestMs = std::strtod(startMs, &end);
    if (end == startMs || *end != '\0') start.failure = "showed no frame";
    steps.insert(steps.begin(), start);
  }
  for (const StallMeter::Step& s : steps) {
    Append(text, "  %-66s %-6s %9.1f%s%s\n", s.name.c_str(), s.silent ? "silent" : "", s.longestMs,
           s.failure.empty() ? "" : "  FAILED: ", s.failure.c_str());
    double& longest = s.silent ? silent : other;
    longest = std::max(longest, s.longestMs);
    if (!s.failure.empty()) ++failed;
  }
  text += "messages shown:\n";
  for (const std::string& message : a.prompts.messages()) text += "  " + message + "\n";
  Append(text, "failed-steps %d\nsilent-select-ms %.0f\nmax-stall-ms %.0f", failed, silent, other);
  return text;
}

}  // namespace

void Start(const std::vector<char*>& command) {
  testbed::Testbed bed;
  if (!bed.inMockEnvironment()) Fail("run it under umockdev-wrapper");
  AddSequenceMachine(bed);
  Finish(Figure("start-ms", TimeToFirstFrame(command).value_or(-1)));
}

void Sequence(const char* startMs) {
  auto* application = new Application;  // lives on with its workers
  Application& a = *application;
  const testbed::DeviceId fallsSilent = AddSequenceMachine(a.bed);
  a.start();
  // Offscreen the first paint comes before the first tick, which finds the bootloader no tick
  // had counted yet.
  StallMeter meter({"the window made to its first frame (offscreen)", true, 0, {}},
                   {"after it, the first ticks (the bootloader counted)", true, 0, {}},
                   Clock::now());
  const auto report = [&] { Finish(Report(meter, a, startMs)); };
  meter.watch(kBlockedLimit, report);
  std::size_t messagesBefore = 0;
  testbed::DeviceId plugged = 0;
  Quiet quiet;
  const auto step = [&](const char* name, bool silentSelect = false) {
    meter.step(name, silentSelect);
  };
  Script script(
      &meter,
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
      report);
  a.app->InitInstance();
  meter.finish();
  meter.stopWatching();
  Finish(Report(meter, a, startMs));
}

}  // namespace brisa::bench

int main(int argc, char** argv) {
  using namespace brisa::bench;
  const auto is = [&](int count, const char* mode) {
    return argc == count && std::strcmp(argv[1], mode) == 0;
  };
  if (argc >= 3 && std::strcmp(argv[1], "start") == 0) {
    Start(std::vector<char*>(argv + 2, argv + argc + 1));
  }
  // The other modes run the window in this process.
  QApplication application(argc, argv);
  if (is(2, "sequence") || is(3, "sequence")) Sequence(argc == 3 ? argv[2] : nullptr);
  if (is(3, "rebuild") && std::atoi(argv[2]) >= 2) Rebuild(std::atoi(argv[2]));
  if (is(3, "exit-after-update") && std::atoi(argv[2]) >= 0) {
    ExitAfterUpdate(static_cast<unsigned>(std::atoi(argv[2])));
  }
  if (is(2, "after-silent")) AfterSilent();
  if (is(3, "bluez") && std::strcmp(argv[2], "appears") == 0) BluezAppears();
  if (is(3, "bluez") && std::strcmp(argv[2], "silent") == 0) BluezSilent();
  std::fprintf(stderr,
               "usage: %s start PROGRAM [ARGS...] | sequence [START-MS] | rebuild BOARDS (at "
               "least 2) | exit-after-update MS | after-silent | bluez appears|silent\n",
               argv[0]);
  return 2;
}
