#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace brisa::platform::sim {

// A run of equal pages in the bootloader's memory map.
struct FlashSegment {
  std::uint32_t start = 0;
  std::uint32_t pageCount = 0;
  std::uint32_t pageSize = 0;
  bool erasable = true;
  bool writable = true;
};

// The bootloader's flash: bytes, and per page what was done to it. Like real NOR flash, a byte
// takes a write only once after its page was erased; the bootloader refuses a write that
// would program a byte a second time, so a host that skips an erase is caught.
class DfuseFlash {
 public:
  enum class Result { kOk, kOutside, kNotErasable, kNotWritable, kNotErased };

  // Each segment lies at its own start address; `erased` chooses whether the flash starts
  // blank (0xFF, writable at once) or holds an old image that must be erased first.
  explicit DfuseFlash(std::vector<FlashSegment> segments, bool erased = false);

  Result erasePage(std::uint32_t address);  // the page holding the address
  Result eraseAll();                        // every erasable page
  Result write(std::uint32_t address, std::span<const std::uint8_t> bytes);
  // Reads what a host would read back; nullopt when the range leaves the flash.
  std::optional<std::vector<std::uint8_t>> read(std::uint32_t address, std::size_t length) const;

  bool contains(std::uint32_t address) const { return pageIndex(address).has_value(); }
  std::uint32_t start() const;
  std::uint32_t size() const { return static_cast<std::uint32_t>(bytes_.size()); }

  // What tests look at: erases and writes of the page holding an address (0 outside).
  unsigned eraseCount(std::uint32_t address) const;
  unsigned writeCount(std::uint32_t address) const;
  unsigned totalEraseCount() const;
  // Start addresses of the pages erased at least once, in address order.
  std::vector<std::uint32_t> erasedPages() const;

 private:
  struct Page {
    std::uint32_t start;
    std::uint32_t size;
    std::size_t offset;  // into bytes_
    bool erasable;
    bool writable;
    unsigned erases = 0;
    unsigned writes = 0;
  };

  std::optional<std::size_t> pageIndex(std::uint32_t address) const;
  void blank(Page& page);

  std::vector<Page> pages_;
  std::vector<std::uint8_t> bytes_;
  std::vector<bool> programmed_;  // per byte: written since its page's last erase
};

}  // namespace brisa::platform::sim
