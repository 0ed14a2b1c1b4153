#pragma once
// The names of the numbered string table's texts. Code names a text only
// through TextId, so a misspelt name does not compile and every text has one
// name; the numbers stay what language modules are keyed by.

namespace albumsmith {

enum class TextId : int {
#define ALBUMSMITH_TEXT(name, number, text) name = number,
#include "string_table_data.inc"
#undef ALBUMSMITH_TEXT
};

}  // namespace albumsmith
