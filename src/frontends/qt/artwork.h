#pragma once

// The pictures of the add-in's windows, drawn in code: no image files to ship or lose.

#include <QIcon>
#include <QPixmap>

namespace kestrix::ui {

// The program's icon, for the title bar of every window: the add-in's shield, in the sizes
// window managers and task bars ask for.
QIcon DrawProgramIcon();

// The main window's logo, 59 x 225 pixels. It has two looks: the initial one, and the other
// (the same picture in inverted colours) that a click on the logo switches to.
QPixmap DrawLogo(bool initial_look);

// The about box's banner, 480 x 121 pixels.
QPixmap DrawBanner();

}  // namespace kestrix::ui
