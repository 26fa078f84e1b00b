#pragma once

#include <QLoggingCategory>

// Developer traces of the device link. Off by default; switch them on with
// QT_LOGGING_RULES="servo.link.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcLink)
