#include "dfu/dfuse_options.h"

#include "dfu/format_scan.h"

namespace brisa::dfu {

DfuseOptions DfuseParseOptions(std::string_view text) {
  DfuseOptions options;
  std::uint32_t number = 0;
  if (FormatScan(text).integer(number)) options.address = number;

  std::size_t colon = text.find(':');
  while (colon != std::string_view::npos) {
    const std::size_t start = colon + 1;
    colon = text.find(':', start);
    const std::string_view modifier = text.substr(start, colon - start);
    if (modifier == "force") {
      options.force = true;
    } else if (modifier == "leave") {
      options.leave = true;
    } else if (modifier == "unprotect") {
      options.unprotect = true;
    } else if (modifier == "mass-erase") {
      options.massErase = true;
    } else if (modifier == "will-reset") {
      options.willReset = true;
    } else if (FormatScan(modifier).integer(number)) {
      options.length = number;
    }
  }
  return options;
}

}  // namespace brisa::dfu
