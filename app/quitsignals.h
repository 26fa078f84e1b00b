#pragma once

// SIGINT, SIGTERM and SIGHUP (Ctrl+C, a session ending, a terminal closed)
// close the main window the way its close button does: the drive is
// stopped first and the window closes once it has answered. A second
// signal ends the program at once.

class QWidget;

namespace QuitSignals {

void install(QWidget *window);
// Whether a signal asked the program to end.
bool received();

} // namespace QuitSignals
