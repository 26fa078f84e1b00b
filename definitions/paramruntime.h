#pragma once

// What the user and the drive put into the parameters while the tool runs
// (current value, marks, change note), kept across a reload of the
// definitions.

#include "definitions/definitions.h"

#include <QHash>

namespace ParamRuntime {

struct Fields {
    QString currentValue;
    quint16 state = 0;
    QString changeText;
};
using Snapshot = QHash<QString, Fields>;

Snapshot take(const Definitions &defs);
// Gives back the fields of every parameter, by code, that `defs` defines;
// returns how many.
int restore(Definitions &defs, const Snapshot &snapshot);

} // namespace ParamRuntime
