#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "dfu/dfu_worker.h"
#include "opened_bootloader.h"
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"
#include "ui/headless_window.h"

namespace brisa::dfu::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Pattern(std::size_t size, unsigned seed = 1) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 + seed + i / 251);
  return bytes;
}

// A file of its own in the temporary directory, removed with the object.
class TempFile {
 public:
  TempFile() {
    std::string name = (std::filesystem::temp_directory_path() / "brisa-image-XXXXXX").string();
    const int fd = mkstemp(name.data());
    if (fd >= 0) close(fd);
    path_ = name;
  }
  ~TempFile() { std::filesystem::remove(path_); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  void write(const Bytes& bytes) const {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// An opened bootloader, the "Advanced" page headless, and an image file named in its path edit:
// a click on "Upgrade" away from a download.
struct DownloadRig {
  explicit DownloadRig(platform::sim::BootloaderSpec spec = {}) : boot(std::move(spec)) {
    page.setText(res::advanced::kFirmwarePathEdit, image.path());
  }

  // Raises the request as "Upgrade" does and lets the worker make one pass.
  void upgrade() {
    boot.state.upgradeRequest = 1;
    DfuWorker worker(boot.state, boot.clock, [this] { return &page; });
    worker.pass();
  }
  std::string log() const { return page.text(res::advanced::kLogEdit); }
  std::optional<Bytes> flash(std::size_t size) const {
    return boot.host.bootloader->flash().read(0x08000000, size);
  }

  OpenedBootloader boot;
  ui::HeadlessWindow page{res::GetDialogTemplate(res::dialog::kAdvanced)};
  TempFile image;
};

}  // namespace brisa::dfu::testing
