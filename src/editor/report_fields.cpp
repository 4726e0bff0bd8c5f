#include "editor/report_fields.h"

#include <algorithm>
#include <cstdio>

#include "dfu/format_scan.h"

namespace brisa::editor {

ReportLayout LayoutOfModel(std::uint32_t modelId) {
  using board::ModelId;
  using board::ToNumber;
  for (ModelId m : {ModelId::Merlin, ModelId::Osprey, ModelId::Sparrow, ModelId::Kestrel}) {
    if (modelId == ToNumber(m)) return ReportLayout::Range;
  }
  for (ModelId m : {ModelId::Plover, ModelId::Egret, ModelId::Heron}) {
    if (modelId == ToNumber(m)) return ReportLayout::Signed;
  }
  return ReportLayout::Key;
}

ReportLayout BuildLayoutOf(const board::Device* device) {
  return device == nullptr ? ReportLayout::Key : LayoutOfModel(device->GetModelId());
}

std::int32_t ScanDecimal(const std::string& text) {
  std::uint32_t value = 0;
  if (!dfu::FormatScan(text).decimal(value)) return 0;
  return static_cast<std::int32_t>(value);
}

std::uint32_t ScanHex(const std::string& text) {
  std::uint32_t value = 0;
  if (!dfu::FormatScan(text).hex(value)) return 0;
  return value;
}

bool HoldsDecimal(const std::string& text) {
  std::uint32_t value = 0;
  return dfu::FormatScan(text).decimal(value);
}

bool HoldsPin(const std::string& text) {
  std::uint32_t value = 0;
  bool beyondInt = false;
  return dfu::FormatScan(text).decimal(value, beyondInt) && !beyondInt &&
         static_cast<std::int32_t>(value) >= 0;
}

bool HoldsHex(const std::string& text) {
  std::uint32_t value = 0;
  return dfu::FormatScan(text).hex(value);
}

std::string FormatDecimal(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%d", value);
  return buffer;
}

std::string FormatKeyCode(std::uint8_t code) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "0x%2X", static_cast<unsigned>(code));
  std::string text = buffer;
  std::replace(text.begin(), text.end(), ' ', '0');
  return text;
}

std::string FormatPin(std::uint32_t pin) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%06d", static_cast<int>(pin & pin_word::kPinMask));
  return buffer;
}

std::uint16_t ClampFiltering(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  return static_cast<std::uint16_t>(v < 101 ? v : 100);
}

std::uint16_t ClampPressTime(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  return static_cast<std::uint16_t>(v > 20 ? v : 20);
}

std::uint16_t ClampAxisRange(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  return static_cast<std::uint16_t>(v < 4096 ? v : 4095);
}

std::uint8_t ButtonTypeAt(const board::ConfigBlock& buttonTypes, int index) {
  const std::uint8_t both = buttonTypes.at(static_cast<std::size_t>(index / 2));
  return static_cast<std::uint8_t>(index % 2 == 0 ? both & 0x0F : both >> 4);
}

void PutButtonType(board::FeatureReport& report, int index, std::uint8_t code) {
  std::uint8_t& both = report.at(1 + static_cast<std::size_t>(index / 2));
  if (index % 2 == 0) {
    both = static_cast<std::uint8_t>((both & 0xF0) | (code & 0x0F));
  } else {
    both = static_cast<std::uint8_t>((both & 0x0F) | ((code & 0x0F) << 4));
  }
}

void PutWord(board::FeatureReport& report, std::size_t reportByte, std::uint16_t value) {
  report.at(reportByte) = static_cast<std::uint8_t>(value & 0xFF);
  report.at(reportByte + 1) = static_cast<std::uint8_t>(value >> 8);
}

void PutLong(board::FeatureReport& report, std::size_t reportByte, std::uint32_t value) {
  PutWord(report, reportByte, static_cast<std::uint16_t>(value & 0xFFFF));
  PutWord(report, reportByte + 2, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace brisa::editor
