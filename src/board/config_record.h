#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace brisa::board {

inline constexpr std::size_t kFeatureReportSize = 21;
inline constexpr std::size_t kConfigBlockSize = 19;

// Byte 0 is the report id, bytes 1..20 the payload.
using FeatureReport = std::array<std::uint8_t, kFeatureReportSize>;
// Report bytes 1..19 of one configuration report; byte 20 is never kept.
using ConfigBlock = std::array<std::uint8_t, kConfigBlockSize>;

enum ReportId : std::uint8_t {
  InputStateReportId = 1,
  ButtonTypeReport = 2,
  SettingsReport = 3,
  AxisKeyReportA = 4,
  AxisKeyReportB = 5,
};

// A board's whole configuration, the payloads of feature reports 2, 3, 4 and 5 in that order.
struct ConfigRecord {
  ConfigBlock buttonTypes{};
  ConfigBlock settings{};
  ConfigBlock axisKeyA{};
  ConfigBlock axisKeyB{};

  bool operator==(const ConfigRecord&) const = default;
};

constexpr FeatureReport EmptyReport(ReportId id) {
  FeatureReport report{};
  report[0] = id;
  return report;
}

// The four reports built from the pages, as the write thread sends them.
struct OutgoingReports {
  FeatureReport outButtonTypeReport = EmptyReport(ButtonTypeReport);
  FeatureReport outSettingsReport = EmptyReport(SettingsReport);
  FeatureReport outAxisKeyReportA = EmptyReport(AxisKeyReportA);
  FeatureReport outAxisKeyReportB = EmptyReport(AxisKeyReportB);
};

// The block of the record that report `id` (2..5) fills.
ConfigBlock& BlockFor(ConfigRecord& record, ReportId id);

// Payload (bytes 1..19) of a report, as kept in a configuration block.
ConfigBlock PayloadOf(const FeatureReport& report);

// The record whose blocks are the payloads of the four outgoing reports.
ConfigRecord RecordFromReports(const OutgoingReports& reports);

// Little-endian reads of report bytes kept in a block (block offset = report byte - 1).
std::uint16_t ReadWord(const ConfigBlock& block, std::size_t reportByte);
std::uint32_t ReadLong(const ConfigBlock& block, std::size_t reportByte);

}  // namespace brisa::board
