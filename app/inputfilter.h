#pragma once

#include <QString>

namespace InputFilter {

// The plain filter of numeric line edits: a text that is not empty, is not a
// number and does not end in "-" or "+" loses its last character. With
// `integerOnly`, a number means a whole number. Returns the text to show.
QString dropTrailingNonNumber(const QString &text, bool integerOnly);

} // namespace InputFilter
