#pragma once

#include <string>

namespace brisa::res {

// The text of a string resource (command prompts), or an empty text when there is none.
std::string LoadResourceString(int stringId);

}  // namespace brisa::res
