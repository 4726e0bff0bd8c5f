#include "dfu/format_scan.h"

#include <algorithm>

namespace brisa::dfu {
namespace {

// The C locale's white space, which every numeric conversion skips.
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool FormatScan::literal(char c) {
  if (atEnd() || peek() != c) return false;
  ++pos_;
  return true;
}

void FormatScan::skipBlanks() {
  while (!atEnd() && isBlank(peek())) ++pos_;
}

bool FormatScan::readSign() {
  if (atEnd()) return false;
  if (peek() == '-') {
    ++pos_;
    return true;
  }
  if (peek() == '+') ++pos_;
  return false;
}

bool FormatScan::decimal(std::uint32_t& value) {
  bool beyondInt = false;
  return decimal(value, beyondInt);
}

bool FormatScan::decimal(std::uint32_t& value, bool& beyondInt) {
  constexpr std::uint64_t kIntMax = 2147483647;
  const std::size_t start = pos_;
  skipBlanks();
  const bool negative = readSign();
  std::uint32_t v = 0;
  std::uint64_t magnitude = 0;  // saturates past the int range, which is all it is asked
  bool sawDigit = false;
  while (!atEnd() && peek() >= '0' && peek() <= '9') {
    const auto digit = static_cast<std::uint32_t>(peek() - '0');
    v = v * 10u + digit;
    magnitude = std::min<std::uint64_t>(magnitude * 10u + digit, kIntMax + 2);
    ++pos_;
    sawDigit = true;
  }
  if (!sawDigit) {
    pos_ = start;
    return false;
  }
  value = negative ? 0u - v : v;
  beyondInt = magnitude > (negative ? kIntMax + 1 : kIntMax);
  return true;
}

bool FormatScan::hex(std::uint32_t& value) {
  const std::size_t start = pos_;
  skipBlanks();
  const bool negative = readSign();
  std::uint32_t v = 0;
  bool sawDigit = false;
  if (!atEnd() && peek() == '0') {
    ++pos_;
    sawDigit = true;
    if (!atEnd() && (peek() == 'x' || peek() == 'X')) ++pos_;
  }
  while (!atEnd() && hexDigit(peek()) >= 0) {
    v = v * 16u + static_cast<std::uint32_t>(hexDigit(peek()));
    ++pos_;
    sawDigit = true;
  }
  if (!sawDigit) {
    pos_ = start;
    return false;
  }
  value = negative ? 0u - v : v;
  return true;
}

bool FormatScan::integer(std::uint32_t& value) {
  const std::size_t start = pos_;
  skipBlanks();
  const bool negative = readSign();
  std::uint32_t v = 0;
  bool ok = false;
  if (!atEnd() && peek() >= '0' && peek() <= '9') {
    const bool hexPrefix = peek() == '0' && pos_ + 1 < text_.size() &&
                           (text_[pos_ + 1] == 'x' || text_[pos_ + 1] == 'X');
    if (hexPrefix) {
      ok = hex(v);
    } else if (peek() == '0') {
      while (!atEnd() && peek() >= '0' && peek() <= '7') {
        v = v * 8u + static_cast<std::uint32_t>(peek() - '0');
        ++pos_;
      }
      ok = true;
    } else {
      ok = decimal(v);
    }
  }
  if (!ok) {
    pos_ = start;
    return false;
  }
  value = negative ? 0u - v : v;
  return true;
}

bool FormatScan::anyChar(char& c) {
  if (atEnd()) return false;
  c = peek();
  ++pos_;
  return true;
}

bool FormatScan::runExcept(std::string_view stops, std::string_view& run) {
  const std::size_t start = pos_;
  while (!atEnd() && stops.find(peek()) == std::string_view::npos) ++pos_;
  if (pos_ == start) return false;
  run = text_.substr(start, pos_ - start);
  return true;
}

}  // namespace brisa::dfu
