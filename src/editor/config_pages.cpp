#include "editor/config_pages.h"

#include <stdexcept>
#include <string>

#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

ui::Window& Checked(ui::Window& page, int dialogId, const char* name) {
  if (page.dialogId() != dialogId) {
    throw std::logic_error(std::string("the ") + name + " page must be dialog " +
                           std::to_string(dialogId) + ", not " + std::to_string(page.dialogId()));
  }
  return page;
}

}  // namespace

ConfigPages::ConfigPages(ui::Window& buttonSetupPage, ui::Window& axisSetupPage,
                         ui::Window& advancedPage, ui::Window& keyboardPage)
    : buttonSetup(Checked(buttonSetupPage, res::dialog::kButtonSetup, "Button Setup")),
      axisSetup(Checked(axisSetupPage, res::dialog::kAxisSetup, "Axis Setup")),
      advanced(Checked(advancedPage, res::dialog::kAdvanced, "Advanced")),
      keyboard(Checked(keyboardPage, res::dialog::kKeyboard, "Keyboard")) {}

}  // namespace brisa::editor
