#include "ui/file_filter.h"

namespace brisa::ui {

std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter) {
  std::vector<std::string> fields;
  std::string::size_type start = 0;
  while (start <= filter.size()) {
    const auto bar = filter.find('|', start);
    if (bar == std::string::npos) {
      fields.push_back(filter.substr(start));
      break;
    }
    fields.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<FileFilterEntry> entries;
  for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
    if (fields[i].empty()) break;
    if (fields[i + 1].empty()) continue;
    entries.push_back({fields[i], fields[i + 1]});
  }
  return entries;
}

}  // namespace brisa::ui
