#pragma once
// Every command's picture: the desktop's icon theme where it has the
// freedesktop name, otherwise the SVG drawn for the command and built into
// the program (icons/), sharp at any scale.

#include <QIcon>

#include "app/commands.h"

class QStyle;

namespace albumsmith::ui {

// Null for a command without a picture of its own (none in the menus now).
QIcon CommandIcon(CommandId id, const QStyle* style = nullptr);
// The bundled picture alone, without the theme: for checks that every
// command has one.
QIcon BundledCommandIcon(CommandId id);

}  // namespace albumsmith::ui
