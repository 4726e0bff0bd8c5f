#pragma once

#include <optional>
#include <string>

#include "board/config_record.h"
#include "board/device.h"
#include "editor/config_pages.h"

namespace brisa::editor {

// Builds the four outgoing reports from the pages' controls, whole and from zero, for the
// connected board's model (device null: no board). This is the work of
// CBrisaDlg::CollectConfigReports, which stores the result in its outgoing report buffers.
board::OutgoingReports CollectConfigReports(const ConfigPages& pages, const board::Device* device);

// An edit whose text gives no number: the message that names it, and where it is.
struct UnconvertedText {
  std::string message;
  int pageDialogId = 0;
  int controlId = 0;
};

// Update and Save refuse rather than send or store a number nobody typed: the first edit, in
// page order, whose text the reports for this board take as a number but which holds none (an
// empty edit holds none), or a PIN the board cannot keep. Nothing when every such text converts.
// Checked are the timings, the PIN while "Require PIN" is checked, and the minimum and maximum of
// the board's own axes (range and signed layouts) or the key codes of its own buttons (key layout):
// the rows the board lacks are disabled, and a signed-layout board's never hold a number of its
// own.
std::optional<UnconvertedText> FindUnconvertedText(const ConfigPages& pages,
                                                   const board::Device* device);

// The steps of the above, in the order it runs them.
board::FeatureReport BuildButtonTypeReport(const ConfigPages& pages, const board::Device* device);
board::FeatureReport BuildSettingsReport(const ConfigPages& pages, const board::Device* device);
// Reports 4 and 5 in that order.
std::pair<board::FeatureReport, board::FeatureReport> BuildAxisKeyReports(
    const ConfigPages& pages, const board::Device* device);

}  // namespace brisa::editor
