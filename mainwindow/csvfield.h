#pragma once

#include <QString>

// A field as CSV carries it: quoted, with its quotes doubled, when it holds a
// comma, a quote, a line break or spaces at either end (which a reader would
// otherwise trim); else as it is.
QString csvField(const QString &text);
