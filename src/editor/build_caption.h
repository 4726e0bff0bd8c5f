#pragma once

#include <string>

namespace brisa::editor {

// The date this program was built, as "Jan  5 2022".
const char* BuildDate();

// The window text with the build suffix: the current text cut to 1023 characters, then
// " x64 (built on <date>)".
std::string BuildCaption(const std::string& currentText, const std::string& buildDate);

}  // namespace brisa::editor
