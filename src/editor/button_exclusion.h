#pragma once

#include <optional>
#include <vector>

#include "ui/window.h"

namespace brisa::editor {

// The four groups of "Button Setup"; a box of one group stands for one button, an encoder box
// for a pair of buttons.
enum class ButtonKind { Analog, Encoder, Rotary, Toggle };

int BoxCount(ButtonKind kind);
int BoxId(ButtonKind kind, int index);
// The group a check box of "Button Setup" belongs to; nothing for any other id.
std::optional<ButtonKind> KindOfBox(int controlId);

// The boxes of the other groups that claim the same button or buttons as box `index` of `kind`,
// in the order they are cleared.
std::vector<int> BoxesClaimingTheSameButtons(ButtonKind kind, int index);

// After a click in `kind`'s group: every checked box of that group clears the boxes of the
// other groups that claim its buttons, enabled or not. Clearing sends no click.
void ApplyButtonExclusion(ui::Window& buttonSetup, ButtonKind kind);

}  // namespace brisa::editor
