// window-shots: pictures of the tool's windows as a user sees them, for the
// README and the guide. It builds the whole application, connects it to the
// port given (a simulated drive, normally) and saves the main window.
//
//   window-shots --data build/bin --port /tmp/drive --out docs/images

#include "app/langseldialog.h"
#include "app/mainclass.h"
#include "dialogs/paramloadseldialog.h"
#include "dialogs/prompt.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace {

bool waitFor(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

bool save(QWidget *window, const QString &path)
{
    const bool ok = window->grab().save(path);
    std::printf("%s %s\n", ok ? "saved" : "could not save", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("data"), QStringLiteral("Folder with the program's data files."), QStringLiteral("DIR")},
        {QStringLiteral("port"), QStringLiteral("Port to connect to."), QStringLiteral("NAME")},
        {QStringLiteral("out"), QStringLiteral("Folder for the pictures."), QStringLiteral("DIR"), QStringLiteral(".")},
        {QStringLiteral("lang"), QStringLiteral("Interface language (default: the remembered one)."), QStringLiteral("CODE")},
    });
    parser.process(app);
    const QString out = QDir(parser.value(QStringLiteral("out"))).absolutePath();
    QDir().mkpath(out);
    if (parser.isSet(QStringLiteral("data")))
        QDir::setCurrent(parser.value(QStringLiteral("data")));

    // Boxes are answered at once and remembered, so that the pictures can
    // wait for them.
    QStringList boxes;
    Prompt::setBoxHandler([&](const Prompt::Box &box) {
        boxes.append(box.title);
        return QMessageBox::Ok;
    });

    MainClass mainClass;
    QApplication::setFont(QFont(QStringLiteral("Microsoft Sans Serif")));
    const QString lang = parser.isSet(QStringLiteral("lang")) ? parser.value(QStringLiteral("lang")) : mainClass.langSel->curLang();
    emit mainClass.langSel->LanguageChange(lang, false);
    MainWindow *window = mainClass.mainWindow;
    window->show();

    const QString port = parser.value(QStringLiteral("port"));
    auto *ports = window->findChild<QComboBox *>(QStringLiteral("portSel"));
    auto *rx = window->findChild<QLabel *>(QStringLiteral("rxNum"));
    if (!port.isEmpty()) {
        if (!waitFor([&] { return ports->findText(port) >= 0; }, 3000)) {
            std::fprintf(stderr, "window-shots: %s is not in the port list\n", qPrintable(port));
            return 1;
        }
        ports->setCurrentIndex(ports->findText(port));
        window->findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
        // Wait for a few replies, so that the counters show traffic.
        if (!waitFor([&] { return window->linkState() == 1 && rx->text() != QStringLiteral("RX:0")
                                  && rx->text().mid(3).toInt() >= 2; },
                     10000)) {
            std::fprintf(stderr, "window-shots: the link did not come up\n");
            return 1;
        }
    }
    if (!port.isEmpty()) {
        // Connected on the parameter page: the drive is identified and the
        // load-source dialog offers to read its parameters.
        if (!waitFor([&] { return window->paramLoadDialog() && window->paramLoadDialog()->isVisible(); }, 5000)) {
            std::fprintf(stderr, "window-shots: the drive was not identified\n");
            return 1;
        }
        waitFor([] { return false; }, 200);
        if (!save(window->paramLoadDialog(), out + QStringLiteral("/load-source-dialog.png")))
            return 1;
        // The parameter page after reading every parameter from the drive,
        // with one value edited and waiting to be downloaded.
        window->paramLoadDialog()->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
        // The read ends with its result box.
        if (!waitFor([&] { return !boxes.isEmpty(); }, 10000)) {
            std::fprintf(stderr, "window-shots: reading the parameters did not finish\n");
            return 1;
        }
        auto *tree = window->findChild<QTreeWidget *>(QStringLiteral("treeWidget_ParamGroup"));
        window->paramGrpClickSlot(tree->topLevelItem(0)->child(1), 0);
        ParamRecord *gain = window->definitions().findParam(QStringLiteral("P01_00"));
        if (gain) {
            gain->changeText = QStringLiteral("%1 → %2").arg(gain->currentValue, QStringLiteral("500"));
            gain->currentValue = QStringLiteral("500");
            gain->state |= ParamState::Changed | ParamState::Checked;
            window->refreshParamTable(1);
        }
    }
    waitFor([] { return false; }, 300);
    bool ok = save(window, out + QStringLiteral("/main-window.png"));
    if (port.isEmpty())
        return ok ? 0 : 1;

    // The monitor page after one query.
    auto *pages = window->findChild<QListWidget *>(QStringLiteral("listWidget"));
    pages->setCurrentRow(MainWindow::MonitorPage);
    window->findChild<QPushButton *>(QStringLiteral("pushButton_UnQueryManual"))->click();
    waitFor([&] { return !window->isMonitorQueryBusy(); }, 5000);
    waitFor([] { return false; }, 300);
    ok = save(window, out + QStringLiteral("/monitor-page.png")) && ok;

    // The manual run page with the servo on, after a short JOG.
    pages->setCurrentRow(MainWindow::RunPage);
    waitFor([&] { return window->findChild<QPushButton *>(QStringLiteral("pushButton_ManualRunServoON"))->isEnabled(); }, 3000);
    window->findChild<QPushButton *>(QStringLiteral("pushButton_ManualRunServoON"))->click();
    auto *cw = window->findChild<QPushButton *>(QStringLiteral("pushButton_ManualRunRotateCW"));
    waitFor([&] { return cw->isEnabled(); }, 3000);
    emit cw->pressed();
    waitFor([] { return false; }, 1500);
    emit cw->released();
    waitFor([] { return false; }, 1200);
    ok = save(window, out + QStringLiteral("/run-page.png")) && ok;
    window->findChild<QPushButton *>(QStringLiteral("pushButton_ManualRunServoOFF"))->click();

    // The waveform page after three seconds of capture.
    pages->setCurrentRow(MainWindow::WavePage);
    window->findChild<QPushButton *>(QStringLiteral("pushButton_waveformRec"))->click();
    waitFor([] { return false; }, 3000);
    window->findChild<QPushButton *>(QStringLiteral("pushButton_waveformRec"))->click();
    waitFor([] { return false; }, 300);
    ok = save(window, out + QStringLiteral("/wave-page.png")) && ok;
    return ok ? 0 : 1;
}
