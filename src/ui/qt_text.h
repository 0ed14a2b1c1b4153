#pragma once
// The core speaks UTF-8 std::string, Qt speaks QString; these keep the
// conversions in one spelling.

#include <QString>
#include <string>
#include <string_view>

#include "platform/strings.h"

namespace albumsmith::ui {

inline QString ToQString(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string ToUtf8(const QString& s) { return s.toStdString(); }
// A text of the string table, ready for a widget.
inline QString QLoad(TextId id) { return ToQString(LoadString(id)); }

}  // namespace albumsmith::ui
