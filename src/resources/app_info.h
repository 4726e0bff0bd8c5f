#pragma once

// Texts of the main window that are the tool's own choice.
namespace brisa::res {

// Window caption; the build suffix is appended at start-up.
inline constexpr const char* kApplicationTitle = "brisa";
// The title line at the foot of the main window.
inline constexpr const char* kApplicationTitleLine = "brisa - game-controller board configuration";
// The maker's web address shown by the link control (a reserved example domain until the
// project publishes one).
inline constexpr const char* kWebAddress = "https://brisa.example.org";

}  // namespace brisa::res
