// Reading all parameters of the shipped model from drive-sim over a
// pseudo-terminal, through the real worker and window code: wall time,
// number of exchanges and the median time per exchange. Also the time to
// load the definition file and build the parameter page.

#include "benchutil.h"

#include "app/langseldialog.h"
#include "app/mainclass.h"
#include "dialogs/prompt.h"
#include "link/frame.h"
#include "link/platform.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <atomic>
#include <mutex>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString programDir = QStringLiteral(SERVO_PROGRAM_DIR);
    QDir::setCurrent(programDir);
    bool finished = false;
    Prompt::setBoxHandler([&](const Prompt::Box &box) {
        if (box.title == QStringLiteral("结果"))
            finished = true;
        return QMessageBox::Ok;
    });

    bench::SimProcess sim;
    if (!sim.start({QStringLiteral("--quiet")})) {
        bench::print(QStringLiteral("cannot start drive-sim"));
        return 1;
    }
    Platform::setSystemPortLister([] { return QStringList(); });

    MainClass mainClass;
    emit mainClass.langSel->LanguageChange(mainClass.langSel->curLang(), false);
    MainWindow *window = mainClass.mainWindow;

    // Loading the definition file and building the page, as a reload does.
    QVector<double> loads;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        window->reloadDefinitions();
        loads.append(timer.nsecsElapsed() / 1e6);
    }
    QElapsedTimer allRows;
    allRows.start();
    window->refreshParamTable(99);
    const double allRowsMs = allRows.nsecsElapsed() / 1e6;
    window->refreshParamTable(0);

    if (!bench::connectWindow(window, sim.path())) {
        bench::print(QStringLiteral("link failed"));
        return 1;
    }

    // An exchange runs from the request being queued to the reply being
    // accepted by the worker (timed in the worker's thread, as it accepts).
    QElapsedTimer clock;
    clock.start();
    std::atomic<qint64> sentAt{0};
    std::mutex guard;
    QVector<double> exchanges;
    QObject::connect(window, &MainWindow::put, [&](int index) {
        if (index == Cmd::ReadParamRange)
            sentAt = clock.nsecsElapsed();
    });
    QObject::connect(
        mainClass.linkWorker, &SerialThread::data_Return, window,
        [&](int index) {
            if (index != Cmd::ReadParamRange)
                return;
            std::lock_guard<std::mutex> lock(guard);
            exchanges.append((clock.nsecsElapsed() - sentAt) / 1e6);
        },
        Qt::DirectConnection);
    const qint64 start = clock.nsecsElapsed();
    window->findChild<QPushButton *>(QStringLiteral("pushButton_ReadAllParam"))->click();
    if (!bench::spinUntil([&] { return finished; }, 20000)) {
        bench::print(QStringLiteral("read all did not finish"));
        return 1;
    }
    const double wallMs = (clock.nsecsElapsed() - start) / 1e6;

    bench::print(QStringLiteral("definition file and parameter page: %1 ms (median of %2 reloads of %3 parameters; "
                                "target < 150), all %3 rows shown: %4 ms")
                     .arg(bench::percentile(loads, 50), 0, 'f', 1)
                     .arg(loads.size())
                     .arg(window->definitions().parameterCount())
                     .arg(allRowsMs, 0, 'f', 1));
    bench::print(QStringLiteral("read all over a pseudo-terminal: %1 ms for %2 parameters in %3 exchanges, "
                                "median %4 ms per exchange (targets: < 500 ms, <= 10 ms)")
                     .arg(wallMs, 0, 'f', 1)
                     .arg(window->definitions().parameterCount())
                     .arg(exchanges.size())
                     .arg(bench::percentile(exchanges, 50), 0, 'f', 2));
    return 0;
}
