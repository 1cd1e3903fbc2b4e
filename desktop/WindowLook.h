#pragma once

#include <QFont>

namespace tarvex {

// The font of every window of the tool: a plain sans serif 11 pixels high (8 points at 96 dots
// per inch), with the narrow Helvetica-like faces first so that the captions fit their controls.
QFont windowFont();

// Gives the application the classic desktop look that the window's fixed layout is drawn for:
// raised buttons on the button-face colour, group captions set into the group's border.
void useClassicStyle();

} // namespace tarvex
