#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace brisa::dfu {

// What a DfuSe option string such as "0x08000000:leave" says. The download reads none of it:
// it always writes from 0x08000000 and sends no leave, unprotect or mass-erase command.
struct DfuseOptions {
  std::optional<std::uint32_t> address;
  bool force = false;
  bool leave = false;
  bool unprotect = false;
  bool massErase = false;
  bool willReset = false;
  std::optional<std::uint32_t> length;  // a modifier that is a number
};

// An address at the start (base by prefix: "0x" hexadecimal, a leading 0 octal, else decimal),
// then modifiers from the first ':' on, each up to the next ':' or the end.
DfuseOptions DfuseParseOptions(std::string_view text);

}  // namespace brisa::dfu
