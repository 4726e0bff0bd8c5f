#include "platform/sim/dfuse_flash.h"

#include <algorithm>

namespace brisa::platform::sim {

DfuseFlash::DfuseFlash(std::vector<FlashSegment> segments, bool erased) {
  std::size_t offset = 0;
  for (const FlashSegment& segment : segments) {
    for (std::uint32_t p = 0; p < segment.pageCount; ++p) {
      pages_.push_back({segment.start + p * segment.pageSize, segment.pageSize, offset,
                        segment.erasable, segment.writable});
      offset += segment.pageSize;
    }
  }
  bytes_.assign(offset, 0xFF);
  programmed_.assign(offset, !erased);
  if (!erased) {
    // An old image: something other than the blank value, so a missed write shows.
    for (std::size_t i = 0; i < bytes_.size(); ++i) bytes_[i] = static_cast<std::uint8_t>(i * 7);
  }
}

std::optional<std::size_t> DfuseFlash::pageIndex(std::uint32_t address) const {
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (address >= pages_[i].start && address - pages_[i].start < pages_[i].size) return i;
  }
  return std::nullopt;
}

std::uint32_t DfuseFlash::start() const {
  return pages_.empty() ? 0 : pages_.front().start;
}

void DfuseFlash::blank(Page& page) {
  std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(page.offset), page.size, 0xFF);
  std::fill_n(programmed_.begin() + static_cast<std::ptrdiff_t>(page.offset), page.size, false);
  ++page.erases;
}

DfuseFlash::Result DfuseFlash::erasePage(std::uint32_t address) {
  const auto index = pageIndex(address);
  if (!index) return Result::kOutside;
  Page& page = pages_[*index];
  if (!page.erasable) return Result::kNotErasable;
  blank(page);
  return Result::kOk;
}

DfuseFlash::Result DfuseFlash::eraseAll() {
  for (Page& page : pages_) {
    if (page.erasable) blank(page);
  }
  return Result::kOk;
}

DfuseFlash::Result DfuseFlash::write(std::uint32_t address, std::span<const std::uint8_t> bytes) {
  // Check the whole range first: a refused write leaves the flash as it was.
  std::vector<std::size_t> touched;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (address + i > UINT32_MAX) return Result::kOutside;
    const auto index = pageIndex(static_cast<std::uint32_t>(address + i));
    if (!index) return Result::kOutside;
    const Page& page = pages_[*index];
    if (!page.writable) return Result::kNotWritable;
    if (programmed_[page.offset + (address + i - page.start)]) return Result::kNotErased;
    if (touched.empty() || touched.back() != *index) touched.push_back(*index);
  }
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const Page& page = pages_[*pageIndex(static_cast<std::uint32_t>(address + i))];
    const std::size_t at = page.offset + (address + i - page.start);
    bytes_[at] = bytes[i];
    programmed_[at] = true;
  }
  for (std::size_t index : touched) ++pages_[index].writes;
  return Result::kOk;
}

std::optional<std::vector<std::uint8_t>> DfuseFlash::read(std::uint32_t address,
                                                          std::size_t length) const {
  std::vector<std::uint8_t> out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    if (address + i > UINT32_MAX) return std::nullopt;
    const auto index = pageIndex(static_cast<std::uint32_t>(address + i));
    if (!index) return std::nullopt;
    const Page& page = pages_[*index];
    out.push_back(bytes_[page.offset + (address + i - page.start)]);
  }
  return out;
}

unsigned DfuseFlash::eraseCount(std::uint32_t address) const {
  const auto index = pageIndex(address);
  return index ? pages_[*index].erases : 0;
}

unsigned DfuseFlash::writeCount(std::uint32_t address) const {
  const auto index = pageIndex(address);
  return index ? pages_[*index].writes : 0;
}

unsigned DfuseFlash::totalEraseCount() const {
  unsigned total = 0;
  for (const Page& page : pages_) total += page.erases;
  return total;
}

std::vector<std::uint32_t> DfuseFlash::erasedPages() const {
  std::vector<std::uint32_t> out;
  for (const Page& page : pages_) {
    if (page.erases > 0) out.push_back(page.start);
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace brisa::platform::sim
