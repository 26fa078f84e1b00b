#pragma once

#include <QLoggingCategory>

// Developer traces of the definition files. Off by default; switch them on
// with QT_LOGGING_RULES="servo.definitions.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcDefinitions)
