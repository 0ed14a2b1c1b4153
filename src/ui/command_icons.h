#pragma once
// Tool bar pictures: the style's standard icons where one fits, otherwise a
// small picture drawn here, so the program ships no image files of its own.

#include <QIcon>

#include "app/commands.h"

class QStyle;

namespace albumsmith::ui {

QIcon CommandIcon(CommandId id, const QStyle* style);

}  // namespace albumsmith::ui
