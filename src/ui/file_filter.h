#pragma once

#include <string>
#include <vector>

namespace brisa::ui {

struct FileFilterEntry {
  std::string display;  // "BIN Files (*.bin)"
  std::string pattern;  // "*.bin", possibly several joined by ";"
  bool operator==(const FileFilterEntry&) const = default;
};

// Splits a filter in the "text|pattern|text|pattern||" notation; an empty text ends the list
// and a text without a pattern is dropped.
std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter);

}  // namespace brisa::ui
