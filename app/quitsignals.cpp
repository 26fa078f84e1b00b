#include "app/quitsignals.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace QuitSignals {

namespace {
int g_pipe[2] = {-1, -1};
int g_count = 0;
QPointer<QWidget> g_window;

void onSignal(int)
{
    // Only what is safe in a signal handler: the GUI thread reads the byte.
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &byte, 1);
}
} // namespace

void install(QWidget *window)
{
    g_window = window;
    g_count = 0;
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte;
        [[maybe_unused]] ssize_t n = ::read(g_pipe[0], &byte, 1);
        if (++g_count == 1 && g_window)
            g_window->close();
        else
            QCoreApplication::exit(1);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

bool received()
{
    return g_count > 0;
}

} // namespace QuitSignals
