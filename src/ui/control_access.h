#pragma once

#include <vector>

#include "resources/dialog_template.h"

namespace brisa::ui {

// What a caller does with a control; not every kind of control has every operation.
enum class ControlAccess { Text, SetText, Append, Check, Range, Icon, Items, Any, DefaultButton };

// Edits, labels and links carry changeable text; the captions of buttons, check boxes and group
// boxes are fixed by the template.
bool HasWindowText(res::ControlKind kind);

// Throws std::logic_error when a control of this kind has no such operation, so reaching a
// control of the wrong page (ids repeat across pages) fails loudly in every toolkit alike.
void RequireAccess(int dialogId, int controlId, res::ControlKind kind, ControlAccess access);

// Ids of the template's addressable controls in template order; throws std::logic_error when an
// id repeats.
std::vector<int> AddressableIds(const res::DialogTemplate& dialog);

}  // namespace brisa::ui
