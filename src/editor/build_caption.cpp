#include "editor/build_caption.h"

#include <cstdio>
#include <vector>

namespace brisa::editor {
namespace {

constexpr std::size_t kMaxWindowText = 1023;

// Byte length of the first `count` characters of a UTF-8 text; a character is never split.
std::size_t PrefixBytes(const std::string& text, std::size_t count) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) == 0x80) continue;  // continuation byte
    if (characters == count) return i;
    ++characters;
  }
  return text.size();
}

}  // namespace

const char* BuildDate() {
  return __DATE__;
}

std::string BuildCaption(const std::string& currentText, const std::string& buildDate) {
  std::string caption = currentText.substr(0, PrefixBytes(currentText, kMaxWindowText));
  const char* format = " x64 (built on %s)";
  const int length = std::snprintf(nullptr, 0, format, buildDate.c_str());
  std::vector<char> suffix(static_cast<std::size_t>(length) + 1);
  std::snprintf(suffix.data(), suffix.size(), format, buildDate.c_str());
  return caption + suffix.data();
}

}  // namespace brisa::editor
