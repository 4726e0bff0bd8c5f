// Any bytes must decode or be refused; an accepted file must survive a re-encode unchanged.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "editor/config_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brisa::editor;
  const DecodedConfigFile decoded = DecodeConfigFile(std::span<const std::uint8_t>(data, size));
  if (decoded.status == ConfigFileStatus::Ok) {
    const ConfigFileBytes again = EncodeConfigFile(decoded.file.record, decoded.file.modelId);
    for (std::size_t i = 0; i < kConfigFileSize; ++i) {
      if (again[i] != data[i]) std::abort();
    }
  }
  return 0;
}
