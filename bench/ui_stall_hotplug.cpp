// The modes around device-list rebuilds: with many boards, and with BlueZ absent or silent.
#include <atomic>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include "bluez_mock.h"
#include "ui_stall_window.h"

namespace brisa::bench {
namespace {

constexpr const char* kLowEnergyAddress = "d1:c2:b3:a4:f5:e6";

// The window's first frame, with the good board's read shown and `listed` entries.
Script::Step FirstFrame(Application& a, StallMeter& meter, Quiet& quiet, int listed) {
  return {"the first frame and the board's read shown",
          [&a, &meter, &quiet] { return meter.started() && a.updateEnabled() && quiet(300); },
          [&a, listed] {
            if (a.selector()->count() != listed) {
              Fail("the list holds " + std::to_string(a.selector()->count()) + " entries, not " +
                   std::to_string(listed));
            }
          }};
}

// A meter whose figures are the steps after the first frame.
StallMeter MeterAfterTheStart() {
  return StallMeter({"the start", false, 0, {}}, {"after the first frame", false, 0, {}},
                    Clock::now());
}

// The window started on a good USB board and a Bluetooth LE board. The window's backend finds
// the bus where the environment points: make the bus first.
Application& StartWithLowEnergyBoard() {
  auto* application = new Application;  // lives on with its workers
  application->bed.addUsbHid({testbed::boardHid(BoardModel::Osprey), 0x0100, kGood});
  application->bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05), kLowEnergyAddress});
  application->start();
  return *application;
}

// The first failed step's failure; empty when every step finished.
std::string FirstFailure(const StallMeter& meter) {
  for (const StallMeter::Step& s : meter.steps()) {
    if (!s.failure.empty()) return s.failure;
  }
  return {};
}

}  // namespace

void Rebuild(int boards) {
  auto* application = new Application;
  Application& a = *application;
  for (int i = 1; i < boards; ++i) {
    a.bed.addUsbHid({testbed::boardHid(BoardModel::Osprey), 0x0100, kGood});
  }
  a.start();
  StallMeter meter = MeterAfterTheStart();
  const std::string failed = "rebuild-ms " + std::to_string(boards) + " failed failed";
  Hotplugs hotplugs;
  std::vector<Script::Step> steps = {FirstFrame(a, meter, hotplugs.quiet, boards - 1)};
  AddHotplugSteps(steps, a, meter, hotplugs, 3, 200);
  steps.push_back({"done", [] { return true; },
                   [&] {
                     if (!FirstFailure(meter).empty()) Finish(failed);
                     char text[96];
                     std::snprintf(text, sizeof text, "rebuild-ms %d %.1f %.1f", boards,
                                   Median(hotplugs.plugs), Median(hotplugs.unplugs));
                     Finish(text);
                   }});
  Script script(&meter, std::move(steps), [&] { Finish(failed); });
  a.app->InitInstance();
  Finish(failed);
}

void BluezAppears() {
  auto* bluez = new testbed::BluezMock(false);
  AtTheEnd([bluez] { delete bluez; });
  if (!bluez->busRunning()) Finish("bluez-appears-ms failed (no bus)");
  Application& a = StartWithLowEnergyBoard();
  StallMeter meter = MeterAfterTheStart();
  FinishAfter(std::chrono::seconds(60),
              [] { return "bluez-appears-ms failed (not within a minute)"; });
  // When BlueZ was up and knew the board; 0 while it is not.
  static std::atomic<Clock::rep> cameAt{0};
  Quiet quiet;
  std::optional<std::thread> starter;
  Script script(&meter,
                {
                    FirstFrame(a, meter, quiet, 1),
                    {"a second without BlueZ", [&] { return quiet(1000); },
                     [&] {
                       if (a.indexOf(kLowEnergy) >= 0)
                         Finish("bluez-appears-ms failed (listed without BlueZ)");
                       // Off the window's thread: the mock takes a while to come up.
                       starter.emplace([bluez] {
                         if (!bluez->startBluez())
                           Finish("bluez-appears-ms failed (the mock did not start)");
                         bluez->addDevice(kLowEnergyAddress, kLowEnergy, {});
                         cameAt = Clock::now().time_since_epoch().count();
                       });
                     }},
                    {"BlueZ up", [] { return cameAt != 0; }, [] {}, 30000},
                    {"the board listed", [&] { return a.indexOf(kLowEnergy) >= 0; },
                     [&] {
                       const Clock::time_point came{Clock::duration(cameAt.load())};
                       Finish(Figure("bluez-appears-ms", Ms(Clock::now() - came)));
                     },
                     10000},
                },
                [] { Finish("bluez-appears-ms failed (not listed within 10 s)"); });
  a.app->InitInstance();
  Finish("bluez-appears-ms failed (the window closed)");
}

void BluezSilent() {
  auto* bluez = new testbed::BluezMock(false);
  AtTheEnd([bluez] { delete bluez; });
  if (!bluez->startSilentBluez()) Finish("bluez-silent-stall-ms failed (no bus)");
  Application& a = StartWithLowEnergyBoard();
  StallMeter meter = MeterAfterTheStart();
  const char* failed = "bluez-silent-stall-ms failed";
  meter.watch(std::chrono::seconds(30), [failed] { Finish(failed); });
  Hotplugs hotplugs;
  // The LE board is not listed while BlueZ does not say what it is.
  std::vector<Script::Step> steps = {FirstFrame(a, meter, hotplugs.quiet, 1)};
  // More than a second apart, so that each rebuild asks BlueZ anew.
  AddHotplugSteps(steps, a, meter, hotplugs, 3, 1200);
  steps.push_back({"done", [] { return true; },
                   [&] {
                     if (!FirstFailure(meter).empty()) Finish(failed);
                     double longest = 0;
                     for (const double ms : hotplugs.plugs) longest = std::max(longest, ms);
                     for (const double ms : hotplugs.unplugs) longest = std::max(longest, ms);
                     Finish(Figure("bluez-silent-stall-ms", longest));
                   }});
  Script script(&meter, std::move(steps), [failed] { Finish(failed); });
  a.app->InitInstance();
  Finish(failed);
}

}  // namespace brisa::bench
