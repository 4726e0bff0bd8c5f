// Any bytes as a DfuSe alternate-setting name: the parser must return, within the text, with a
// segment list no longer than the text can describe.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "dfu/dfuse_memory_layout.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The parser prints every name it reads; keep libFuzzer's own report readable.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto segments = brisa::dfu::DfuseParseMemoryLayout(text);
  // The shortest usable segment, "1*1a", takes four characters.
  if (segments.size() > size / 4) __builtin_trap();
  return 0;
}
