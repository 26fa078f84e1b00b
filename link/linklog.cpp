#include "link/linklog.h"

Q_LOGGING_CATEGORY(lcLink, "servo.link", QtInfoMsg)
