#pragma once

// The main window as the waveform benches measure it.

#include "benchutil.h"

#include "app/langseldialog.h"
#include "app/mainclass.h"
#include "dialogs/prompt.h"
#include "link/platform.h"
#include "mainwindow/mainwindow.h"

#include <qwt_plot.h>

#include <QCoreApplication>
#include <QListWidget>

#include <memory>

namespace bench {

// Shows the main window in its language on the waveform page, grown until the
// plot is 1350 x 890.
inline MainWindow *showWavePage(MainClass &mainClass)
{
    emit mainClass.langSel->LanguageChange(mainClass.langSel->curLang(), false);
    MainWindow *window = mainClass.mainWindow;
    auto *plot = window->findChild<QwtPlot *>(QStringLiteral("qwtPlot"));
    window->show();
    window->findChild<QListWidget *>(QStringLiteral("listWidget"))->setCurrentRow(MainWindow::WavePage);
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        window->resize(window->size() + QSize(1350, 890) - plot->size());
    }
    QCoreApplication::processEvents();
    return window;
}

#ifdef SERVO_PROGRAM_DIR
// The main window on the waveform page in a 10 kHz working folder of its
// own, and drive-sim streaming the channels `waves` at 10 kHz. Every box is
// answered OK. A failed step is printed.
struct LiveWaves {
    QTemporaryDir dir;
    SimProcess sim;
    std::unique_ptr<MainClass> app;
    MainWindow *window = nullptr;

    bool start(const QString &waves)
    {
        if (!prepareTenKilohertzFolder(dir)) {
            print(QStringLiteral("cannot prepare a working folder"));
            return false;
        }
        Prompt::setBoxHandler([](const Prompt::Box &) { return QMessageBox::Ok; });
        if (!sim.start({QStringLiteral("--rate"), QStringLiteral("10000"), QStringLiteral("--wave"), waves,
                        QStringLiteral("--quiet")})) {
            print(QStringLiteral("cannot start drive-sim"));
            return false;
        }
        Platform::setSystemPortLister([] { return QStringList(); });
        app = std::make_unique<MainClass>();
        window = showWavePage(*app);
        return true;
    }
    bool connect()
    {
        if (connectWindow(window, sim.path()))
            return true;
        print(QStringLiteral("link failed"));
        return false;
    }
};
#endif

} // namespace bench
