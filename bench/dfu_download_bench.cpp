// What a download of 1 MiB costs the host, with no time spent waiting for the bootloader:
// against a bootloader that answers at once (the host's own work) and against the simulated
// one with its poll time-outs set to 0 (host and simulation together).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>

#include "dfu/dfu_download.h"
#include "dfu/download_rig.h"
#include "instant_bootloader.h"

namespace brisa::bench {
namespace {

constexpr std::size_t kImageSize = 1024 * 1024;

void SetMiBCounters(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kImageSize));
}

void BM_DownloadHostOnly(benchmark::State& state) {
  dfu::testing::TempFile image;
  image.write(dfu::testing::Pattern(kImageSize));
  InstantBootloader usb;
  platform::sim::VirtualClock clock;
  dfu::DfuState dfuState;
  dfuState.pUsbContext = &usb;
  dfuState.pDfuHandle = usb.handle();
  dfu::DfuInterface head;
  head.functionalDescriptor = {9, 0x21, 0x0B, 255, 2048, 0x011A};
  head.vendorId = 0x0483;
  head.productId = 0xDF11;
  head.maxPacketSize0 = 64;
  head.altName = "@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg";
  dfuState.pDfuInterfaces.push_front(head);
  ui::HeadlessWindow page(res::GetDialogTemplate(res::dialog::kAdvanced));
  page.setText(res::advanced::kFirmwarePathEdit, image.path());
  for (auto _ : state) {
    dfuState.upgradeRequest = 1;
    dfu::DfuDownload(dfuState, clock, page).run();
  }
  if (!page.text(res::advanced::kLogEdit).ends_with("UPGRADE FINISHED...\r\n")) {
    state.SkipWithError("download failed");
  }
  SetMiBCounters(state);
}
BENCHMARK(BM_DownloadHostOnly)->Unit(benchmark::kMillisecond);

void BM_DownloadIntoSimulatedBootloader(benchmark::State& state) {
  platform::sim::BootloaderSpec spec;
  spec.setAddressPollMs = spec.erasePollMs = spec.writePollMs = 0;
  dfu::testing::DownloadRig rig(spec);
  rig.image.write(dfu::testing::Pattern(kImageSize));
  for (auto _ : state) {
    state.PauseTiming();
    rig.boot.host.usb.clearTransfers();
    rig.page.setText(res::advanced::kLogEdit, "");
    rig.boot.state.upgradeRequest = 1;
    state.ResumeTiming();
    dfu::DfuDownload(rig.boot.state, rig.boot.clock, rig.page).run();
  }
  if (!rig.log().ends_with("UPGRADE FINISHED...\r\n")) state.SkipWithError("download failed");
  SetMiBCounters(state);
}
BENCHMARK(BM_DownloadIntoSimulatedBootloader)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brisa::bench

int main(int argc, char** argv) {
  // The download's diagnostics go to standard output; the table goes to standard error.
  benchmark::Initialize(&argc, argv);
  benchmark::ConsoleReporter reporter;
  reporter.SetOutputStream(&std::cerr);
  reporter.SetErrorStream(&std::cerr);
  if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  return 0;
}
