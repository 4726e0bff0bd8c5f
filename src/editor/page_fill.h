#pragma once

#include <cstdint>

#include "board/config_record.h"
#include "board/device.h"
#include "editor/config_file.h"
#include "editor/config_pages.h"

namespace brisa::editor {

enum class FillVariant {
  Read,  // after a board read: everything by the board
  File,  // after a file open: layout by the file's model id, counts by the board connected now
};

// What a page fill goes by.
struct PageFillLayout {
  FillVariant variant = FillVariant::Read;
  std::uint32_t layoutId = 0;  // a model id; kNoBoardModelId for a file saved without a board
  int buttonCount = 0;
  int axisCount = 0;
};

PageFillLayout ReadFillLayout(const board::Device& board);
// connected null: no board now, so buttons 1..36 and the analog boxes of buttons 1..8.
PageFillLayout FileFillLayout(std::uint32_t fileModelId, const board::Device* connected);

// Sets the configuration controls of the pages from the record; the record is not changed.
// Controls that the layout does not show are left as they are.
void FillConfigPages(const ConfigPages& pages, const board::ConfigRecord& record,
                     const PageFillLayout& layout);

}  // namespace brisa::editor
