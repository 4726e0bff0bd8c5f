#pragma once

#include "board/config_record.h"
#include "board/device.h"
#include "editor/config_pages.h"

namespace brisa::editor {

// Builds the four outgoing reports from the pages' controls, whole and from zero, for the
// connected board's model (device null: no board). This is the work of
// CBrisaDlg::CollectConfigReports, which stores the result in its outgoing report buffers.
board::OutgoingReports CollectConfigReports(const ConfigPages& pages, const board::Device* device);

// The steps of the above, in the order it runs them.
board::FeatureReport BuildButtonTypeReport(const ConfigPages& pages, const board::Device* device);
board::FeatureReport BuildSettingsReport(const ConfigPages& pages, const board::Device* device);
// Reports 4 and 5 in that order.
std::pair<board::FeatureReport, board::FeatureReport> BuildAxisKeyReports(
    const ConfigPages& pages, const board::Device* device);

}  // namespace brisa::editor
