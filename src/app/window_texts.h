#pragma once
// The window's own words by number, so that a language module replaces them:
// the menu titles and the menu entries. Each falls back to the English text
// of the command set when the table has none for it.

#include <string>

#include "app/commands.h"

namespace albumsmith {

// The title of the menu at `index` of MenuTitles().
std::string MenuTitleText(size_t index);
// The text of a command's menu entry ("&New", with its accelerator mark).
std::string MenuItemText(CommandId id);

}  // namespace albumsmith
