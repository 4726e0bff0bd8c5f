#include <map>
#include <stdexcept>
#include <string>
#include <utility>

#include "resources/dialog_template.h"
#include "resources/template_builders.h"

namespace brisa::res {
namespace detail {

DialogTemplate MakePage(int id, int width, int height) {
  DialogTemplate page;
  page.id = id;
  page.width = width;
  page.height = height;
  page.fontName = kDialogFont;
  page.fontPointSize = kDialogFontSize;
  return page;
}

void AddControl(DialogTemplate& dialog, ControlKind kind, int id, std::string caption,
                std::uint32_t style, Rect rect) {
  dialog.controls.push_back(ControlTemplate{kind, id, std::move(caption), style, rect});
}

}  // namespace detail

const DialogTemplate& GetDialogTemplate(int dialogId) {
  // Built once, on first use; a function-local static is initialised thread-safely.
  static const std::map<int, DialogTemplate> templates = [] {
    std::map<int, DialogTemplate> all;
    for (DialogTemplate (*build)() : {
             detail::BuildAdvancedTemplate,
             detail::BuildAxisSetupTemplate,
             detail::BuildButtonSetupTemplate,
             detail::BuildButtonTestTemplate,
             detail::BuildKeyboardTemplate,
             detail::BuildMainTemplate,
             detail::BuildKeySelectorTemplate,
         }) {
      DialogTemplate dialog = build();
      const int id = dialog.id;
      all.emplace(id, std::move(dialog));
    }
    return all;
  }();
  const auto it = templates.find(dialogId);
  if (it == templates.end()) {
    throw std::out_of_range("no dialog template " + std::to_string(dialogId));
  }
  return it->second;
}

}  // namespace brisa::res
