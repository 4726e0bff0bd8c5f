// One 1 MiB image downloaded into the simulated bootloader served through umockdev, by brisa's
// download over the libusb adapter and by dfu-util, a few times each; prints the median times
// and their ratio. Runs under umockdev-wrapper (see bench/dfu-vs-dfu-util).
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dfu/dfu_download.h"
#include "dfu/dfu_probe.h"
#include "dfu/download_rig.h"
#include "platform/linux/libusb_usb.h"
#include "platform/umockdev/usbdevfs_handler.h"

namespace {

using Clock = std::chrono::steady_clock;
using brisa::dfu::testing::Bytes;
constexpr std::size_t kImageSize = 1024 * 1024;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// brisa's side, as the application runs it: open, probe, download.
bool BrisaDownload(const std::string& path) {
  brisa::platform::LibusbUsb usb;
  if (usb.init() != 0) return false;
  brisa::dfu::DfuState state;
  state.pUsbContext = &usb;
  state.pDfuHandle = usb.openDeviceWithVidPid(0x0483, 0xDF11);
  if (state.pDfuHandle == nullptr) return false;
  state.dfuAltIndex = 0;
  brisa::platform::UsbDevice* device = usb.getDevice(state.pDfuHandle);
  brisa::platform::UsbDeviceDescriptor descriptor;
  usb.getDeviceDescriptor(device, descriptor);
  brisa::dfu::DfuProbeConfigurations(state, usb, device, descriptor);
  brisa::ui::HeadlessWindow page(brisa::res::GetDialogTemplate(brisa::res::dialog::kAdvanced));
  page.setText(brisa::res::advanced::kFirmwarePathEdit, path);
  state.upgradeRequest = 1;
  brisa::platform::SystemClock clock;
  brisa::dfu::DfuDownload(state, clock, page).run();
  brisa::dfu::ReleaseDfuInterfaces(state, usb);
  usb.close(state.pDfuHandle);
  return page.text(brisa::res::advanced::kLogEdit).ends_with("UPGRADE FINISHED...\r\n");
}

bool DfuUtilDownload(const std::string& path) {
  const char* dfuUtil = std::getenv("DFU_UTIL");
  const std::string command = std::string(dfuUtil != nullptr ? dfuUtil : "dfu-util") +
                              " -d 0483:df11 -a 0 -s 0x08000000 -D " + path + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// Times one download into a freshly plugged bootloader; negative when it failed or the flash
// does not hold the image afterwards.
double TimeOne(bool (*download)(const std::string&), const std::string& path, const Bytes& image,
               const brisa::platform::sim::BootloaderSpec& spec, unsigned& requests) {
  brisa::platform::sim::UmockdevBootloader device;
  if (!device.plugIn(spec)) return -1;
  const auto start = Clock::now();
  const bool ok = download(path);
  const double seconds = Seconds(Clock::now() - start);
  requests = device.requests();
  if (!ok || device.bootloader()->flash().read(0x08000000, image.size()) != image) return -1;
  return seconds;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Scenario {
  const char* what;
  brisa::platform::sim::BootloaderSpec spec;
};

bool Compare(const Scenario& scenario, int runs, const std::string& path, const Bytes& image,
             std::FILE* results) {
  std::vector<double> brisa, dfuUtil;
  for (int run = 0; run < runs; ++run) {
    // Alternate which goes first, so neither always meets a warm cache.
    for (int turn = 0; turn < 2; ++turn) {
      const bool brisaTurn = (run + turn) % 2 == 0;
      const char* tool = brisaTurn ? "brisa" : "dfu-util";
      unsigned requests = 0;
      const double seconds = TimeOne(brisaTurn ? BrisaDownload : DfuUtilDownload, path, image,
                                     scenario.spec, requests);
      if (seconds < 0) {
        std::fprintf(stderr, "%s: download %d failed\n", tool, run);
        return false;
      }
      std::fprintf(stderr, "run %d %-8s %.3f s, %u requests\n", run, tool, seconds, requests);
      (brisaTurn ? brisa : dfuUtil).push_back(seconds);
    }
  }
  const double b = Median(brisa), d = Median(dfuUtil);
  std::fprintf(results, "1 MiB through umockdev, %s; %d runs each\n", scenario.what, runs);
  std::fprintf(results, "  brisa     median %.3f s\n", b);
  std::fprintf(results, "  dfu-util  median %.3f s\n", d);
  std::fprintf(results, "  ratio brisa / dfu-util  %.3f\n", b / d);
  std::fflush(results);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  // The answer is kept from the first call, which must come after a testbed exists.
  UMockdevTestbed* testbed = umockdev_testbed_new();
  const bool mocked = umockdev_in_mock_environment();
  g_object_unref(testbed);
  if (!mocked) {
    std::fprintf(stderr, "run me under umockdev-wrapper\n");
    return 2;
  }
  // The results keep standard output; the download's own diagnostics there are dropped.
  std::FILE* results = fdopen(dup(STDOUT_FILENO), "w");
  if (results == nullptr || std::freopen("/dev/null", "w", stdout) == nullptr) return 2;
  brisa::dfu::testing::TempFile file;
  const Bytes image = brisa::dfu::testing::Pattern(kImageSize);
  file.write(image);

  brisa::platform::sim::BootloaderSpec instant;
  instant.setAddressPollMs = instant.erasePollMs = instant.writePollMs = 0;
  const Scenario scenarios[] = {
      {"an STM32F4's poll time-outs (5 ms per command and chunk, 50 ms per erase)", {}},
      {"no poll time-outs: the hosts' own cost and umockdev's", instant},
  };
  for (const Scenario& scenario : scenarios) {
    if (!Compare(scenario, runs, file.path(), image, results)) return 1;
  }
  return 0;
}
