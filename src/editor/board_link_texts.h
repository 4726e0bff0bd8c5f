#pragma once

namespace brisa::editor {

// What selection tells the user.
inline constexpr const char* kOpenDeviceFailedFormat = "Error occured when opening device (%d)\n";
inline constexpr const char* kPermissionDeniedText =
    "Cannot open the board: permission denied.\n"
    "Install the udev rule with tools/install-udev-rules (packaging/udev/70-brisa.rules), then "
    "select the board again.";
inline constexpr const char* kWriteDroppedText =
    "The configuration was not written: the board it was meant for is no longer selected.";

}  // namespace brisa::editor
