#include "app/applog.h"

Q_LOGGING_CATEGORY(lcWindow, "servo.window", QtInfoMsg)
