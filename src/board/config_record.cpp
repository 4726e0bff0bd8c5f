#include "board/config_record.h"

#include <algorithm>
#include <stdexcept>

namespace brisa::board {

ConfigBlock& BlockFor(ConfigRecord& record, ReportId id) {
  switch (id) {
    case ButtonTypeReport:
      return record.buttonTypes;
    case SettingsReport:
      return record.settings;
    case AxisKeyReportA:
      return record.axisKeyA;
    case AxisKeyReportB:
      return record.axisKeyB;
    case InputStateReportId:
      break;
  }
  throw std::invalid_argument("report 1 carries no configuration block");
}

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
