#pragma once

#include <QLoggingCategory>

// Developer traces of the windows and the command layer. Off by default;
// switch them on with QT_LOGGING_RULES="servo.window.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcWindow)
