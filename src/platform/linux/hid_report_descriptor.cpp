#include "platform/linux/hid_report_descriptor.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <optional>

namespace brisa::platform {

namespace {

// Item prefixes with their size bits cleared.
constexpr std::uint8_t kInput = 0x80;
constexpr std::uint8_t kOutput = 0x90;
constexpr std::uint8_t kFeature = 0xB0;
constexpr std::uint8_t kCollection = 0xA0;
constexpr std::uint8_t kEndCollection = 0xC0;
constexpr std::uint8_t kUsagePage = 0x04;
constexpr std::uint8_t kReportSize = 0x74;
constexpr std::uint8_t kReportId = 0x84;
constexpr std::uint8_t kReportCount = 0x94;
constexpr std::uint8_t kPush = 0xA4;
constexpr std::uint8_t kPop = 0xB4;
constexpr std::uint8_t kUsage = 0x08;
constexpr std::uint8_t kLongItem = 0xFE;

// Far beyond any report length a stack can state; sums saturate here.
constexpr std::uint64_t kMaxBits = std::uint64_t{1} << 40;

// A nesting deeper than any real device uses; beyond it the descriptor is read as ended.
constexpr std::size_t kMaxPushDepth = 32;

struct Globals {
  std::uint32_t usagePage = 0;
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint8_t reportId = 0;
};

enum Kind { kInputKind, kOutputKind, kFeatureKind, kKinds };

// Bits per report id and kind, added up while a top-level collection is open.
struct CollectionBits {
  HidCollectionInfo info;
  std::array<std::map<std::uint8_t, std::uint64_t>, kKinds> bits;
};

std::uint16_t bytesWithId(const std::map<std::uint8_t, std::uint64_t>& bits) {
  std::uint64_t longest = 0;
  for (const auto& [id, count] : bits) longest = std::max(longest, (count + 7) / 8);
  if (bits.empty()) return 0;
  return static_cast<std::uint16_t>(
      std::min<std::uint64_t>(longest + 1, std::numeric_limits<std::uint16_t>::max()));
}

HidCollectionInfo finish(CollectionBits& c) {
  c.info.inputReportBytes = bytesWithId(c.bits[kInputKind]);
  c.info.outputReportBytes = bytesWithId(c.bits[kOutputKind]);
  c.info.featureReportBytes = bytesWithId(c.bits[kFeatureKind]);
  for (const auto& [id, count] : c.bits[kInputKind]) c.info.inputReportIds.push_back(id);
  return std::move(c.info);
}

}  // namespace

bool HidCollectionInfo::isKeyboard() const {
  return usagePage == 0x01 && (usage == 0x06 || usage == 0x07);
}

std::vector<HidCollectionInfo> parseReportDescriptor(std::span<const std::uint8_t> descriptor) {
  std::vector<HidCollectionInfo> result;
  Globals globals;
  std::vector<Globals> stack;
  // The first usage before the next main item, and whether it named its page too.
  bool hasUsage = false;
  std::uint32_t firstUsage = 0;
  bool firstUsageExtended = false;
  std::size_t depth = 0;
  std::optional<CollectionBits> open;

  std::size_t at = 0;
  while (at < descriptor.size()) {
    const std::uint8_t prefix = descriptor[at];
    if (prefix == kLongItem) {
      if (at + 1 >= descriptor.size()) break;
      at += 3 + std::size_t{descriptor[at + 1]};
      continue;
    }
    const std::size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
    if (at + 1 + size > descriptor.size()) break;
    std::uint32_t value = 0;
    for (std::size_t b = 0; b < size; ++b) {
      value |= static_cast<std::uint32_t>(descriptor[at + 1 + b]) << (8 * b);
    }
    at += 1 + size;

    const std::uint8_t tag = prefix & 0xFC;
    switch (tag) {
      case kUsagePage:
        globals.usagePage = value;
        break;
      case kReportSize:
        globals.reportSize = value;
        break;
      case kReportCount:
        globals.reportCount = value;
        break;
      case kReportId:
        globals.reportId = static_cast<std::uint8_t>(value);
        break;
      case kPush:
        if (stack.size() == kMaxPushDepth) return result;
        stack.push_back(globals);
        break;
      case kPop:
        if (!stack.empty()) {
          globals = stack.back();
          stack.pop_back();
        }
        break;
      case kUsage:
        if (!hasUsage) {
          hasUsage = true;
          firstUsage = value;
          firstUsageExtended = size == 4;
        }
        break;
      case kCollection:
        if (depth == 0) {
          open.emplace();
          open->info.usagePage =
              static_cast<std::uint16_t>(firstUsageExtended ? firstUsage >> 16 : globals.usagePage);
          open->info.usage = static_cast<std::uint16_t>(firstUsage);
        }
        ++depth;
        break;
      case kEndCollection:
        if (depth > 0 && --depth == 0 && open) {
          result.push_back(finish(*open));
          open.reset();
        }
        break;
      case kInput:
      case kOutput:
      case kFeature:
        if (open) {
          const Kind kind = tag == kInput    ? kInputKind
                            : tag == kOutput ? kOutputKind
                                             : kFeatureKind;
          std::uint64_t& sum = open->bits[kind][globals.reportId];
          const std::uint64_t add = std::uint64_t{globals.reportSize} * globals.reportCount;
          sum = add > kMaxBits - sum ? kMaxBits : sum + add;
        }
        break;
      default:
        break;
    }
    // Local items last until the next main item.
    if (tag == kInput || tag == kOutput || tag == kFeature || tag == kCollection ||
        tag == kEndCollection) {
      hasUsage = false;
      firstUsage = 0;
      firstUsageExtended = false;
    }
  }
  // A collection the descriptor never closed still tells its reports.
  if (open) result.push_back(finish(*open));
  return result;
}

}  // namespace brisa::platform
