#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dfu/dfu_requests.h"
#include "dfu/dfu_state.h"
#include "dfu/image_file.h"
#include "platform/clock.h"
#include "ui/window.h"

namespace brisa::dfu {

// One firmware download: the image named in the "Advanced" page's path edit is erased and
// written from 0x08000000 into the open bootloader through the head DFU interface, with every
// step in the page's log and the progress on its bar. Runs on the download's worker; whatever
// the outcome it ends with "Upgrade" enabled again and then the request cleared.
class DfuDownload {
 public:
  DfuDownload(DfuState& state, platform::Clock& clock, ui::Window& page);

  void run();

 private:
  // Each step appends its lines; false when the download ends there.
  bool start();
  bool load();
  bool readImage();
  bool claim();
  bool recoverStatus();
  bool checkStatus(std::uint8_t lastStatus);
  bool setTransferSize();
  bool parseLayout();
  bool checkTarget();
  bool erasePass();
  bool erasePageOf(std::uint32_t address, const DfuseSegment& segment);
  bool writePass();
  bool writeChunk(std::int64_t offset, std::uint32_t length);
  // The status polling after a chunk; none when it ended the download.
  std::optional<DfuStatus> pollChunk();

  // Adds the text at the end of the log box and scrolls it into view.
  void AppendUpgradeLog(const std::string& text);
  void setProgress(std::int64_t position);
  DfuInterface& head() { return state_.pDfuInterfaces.front(); }

  DfuState& state_;
  platform::Clock& clock_;
  ui::Window& page_;
  std::optional<DfuLink> link_;
  std::optional<FirmwareImageFile> imageFile_;
  std::string imagePath_;
  std::vector<std::uint8_t> image_;
  std::int32_t size_ = 0;
  std::uint32_t transferSize_ = 0;
};

}  // namespace brisa::dfu
