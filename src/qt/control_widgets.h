#pragma once

#include <QString>
#include <QWidget>
#include <string>

#include "qt/dialog_units.h"
#include "resources/dialog_template.h"
#include "ui/dialog_events.h"

namespace brisa::qt {

// Creates the widget of one template control inside `client`, at its rectangle in pixels, with
// its user input wired to `events`.
QWidget* CreateControl(const res::ControlTemplate& control, QWidget* client,
                       const DialogUnits& units, ui::DialogEvents& events);

// Multi-line edits hold "\r\n" line ends, as the program writes and reads them; the widget
// shows plain line breaks.
QString ToDisplay(const std::string& text);
std::string FromDisplay(const QString& text);

// A link control's text as the clickable address it shows.
QString LinkHtml(const QString& address);

}  // namespace brisa::qt
