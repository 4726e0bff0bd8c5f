#include "board/config_record.h"

#include <algorithm>

namespace brisa::board {

ConfigBlock PayloadOf(const FeatureReport& report) {
  ConfigBlock block{};
  std::copy_n(report.begin() + 1, kConfigBlockSize, block.begin());
  return block;
}

ConfigRecord RecordFromReports(const OutgoingReports& reports) {
  return ConfigRecord{PayloadOf(reports.outButtonTypeReport), PayloadOf(reports.outSettingsReport),
                      PayloadOf(reports.outAxisKeyReportA), PayloadOf(reports.outAxisKeyReportB)};
}

std::uint16_t ReadWord(const ConfigBlock& block, std::size_t reportByte) {
  const std::size_t at = reportByte - 1;
  return static_cast<std::uint16_t>(block.at(at) | (block.at(at + 1) << 8));
}

std::uint32_t ReadLong(const ConfigBlock& block, std::size_t reportByte) {
  return static_cast<std::uint32_t>(ReadWord(block, reportByte)) |
         (static_cast<std::uint32_t>(ReadWord(block, reportByte + 2)) << 16);
}

}  // namespace brisa::board
