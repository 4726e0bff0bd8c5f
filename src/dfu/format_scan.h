#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace brisa::dfu {

// Walks a text directive by directive with the formatted-scan rules of sscanf ("%d", "%x", "%c",
// "%[^...]", literal characters), without sscanf's undefined behaviour: a number too large for
// 32 bits keeps its low 32 bits, and the text needs no NUL terminator.
//
// Each call either matches and moves past what it matched, or fails and leaves the position
// where it was. A caller builds one scan from several calls and keeps pos() only when all of
// them matched.
class FormatScan {
 public:
  explicit FormatScan(std::string_view text, std::size_t pos = 0) : text_(text), pos_(pos) {}

  std::size_t pos() const { return pos_; }

  // An ordinary format character: exactly that character.
  bool literal(char c);
  // "%d": leading blanks, an optional sign, one or more decimal digits.
  bool decimal(std::uint32_t& value);
  // The same, telling whether the number as written lies outside a 32-bit int's range (and so
  // was cut to its low 32 bits).
  bool decimal(std::uint32_t& value, bool& beyondInt);
  // "%x": leading blanks, an optional sign, an optional "0x"/"0X", hexadecimal digits. A lone
  // "0x" reads as 0, as the C library does.
  bool hex(std::uint32_t& value);
  // "%i": leading blanks, an optional sign, then "0x"/"0X" and hexadecimal digits, or a 0 and
  // octal digits, or decimal digits.
  bool integer(std::uint32_t& value);
  // "%c": any one character, blanks included.
  bool anyChar(char& c);
  // "%[^stops]": one or more characters that are not in stops.
  bool runExcept(std::string_view stops, std::string_view& run);

 private:
  bool atEnd() const { return pos_ >= text_.size(); }
  char peek() const { return text_[pos_]; }
  void skipBlanks();
  // The optional sign of a number; true for a minus.
  bool readSign();

  std::string_view text_;
  std::size_t pos_;
};

}  // namespace brisa::dfu
