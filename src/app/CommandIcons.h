#pragma once

#include <QIcon>
#include <QImage>

namespace veilpane {

// The 16 × 16 pictures of the toolbar buttons and menu items, drawn by the program itself at start-up (in
// 16 and 32 pixels for high-density screens). A null icon for commands without a picture.
QIcon CommandIcon(int id);

// The program's own icon: the main window, the about box.
QIcon ApplicationIcon();

// The same picture at size × size pixels, without a screen: the desktop's icon files are made from it.
QImage ApplicationIconImage(int size);

} // namespace veilpane
