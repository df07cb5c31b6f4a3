#pragma once

#include "doc/CommandPictures.h"

#include <QIcon>
#include <QImage>

namespace veilpane {

// A command's picture as an icon for its toolbar button and menu item, drawn at start-up in 16 and 32
// pixels for high-density screens. A null icon for a null painting.
QIcon CommandIcon(CPainting painting);

// The program's own icon: the main window, the about box.
QIcon ApplicationIcon();

// The same picture at size × size pixels, without a screen: the desktop's icon files are made from it.
QImage ApplicationIconImage(int size);

} // namespace veilpane
