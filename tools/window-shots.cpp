// window-shots: pictures of the tool's windows as a user sees them, for the
// README and the guide. It builds the whole application, connects it to the
// port given (a simulated drive, normally) and saves the main window.
//
//   window-shots --data build/bin --port /tmp/drive --out docs/images

#include "app/langseldialog.h"
#include "app/mainclass.h"
#include "dialogs/prompt.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QLabel>
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
    emit mainClass.langSel->LanguageChange(mainClass.langSel->curLang(), false);
    MainWindow *window = mainClass.mainWindow;
    window->show();

    const QString port = parser.value(QStringLiteral("port"));
    auto *ports = window->findChild<QComboBox *>(QStringLiteral("portSel"));
    auto *state = window->findChild<QLabel *>(QStringLiteral("communicateState"));
    auto *rx = window->findChild<QLabel *>(QStringLiteral("rxNum"));
    if (!port.isEmpty()) {
        if (!waitFor([&] { return ports->findText(port) >= 0; }, 3000)) {
            std::fprintf(stderr, "window-shots: %s is not in the port list\n", qPrintable(port));
            return 1;
        }
        ports->setCurrentIndex(ports->findText(port));
        window->findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
        // Wait for a few replies, so that the counters show traffic.
        if (!waitFor([&] { return state->text() == QStringLiteral("通信正常") && rx->text() != QStringLiteral("RX:0")
                                  && rx->text().mid(3).toInt() >= 2; },
                     10000)) {
            std::fprintf(stderr, "window-shots: the link did not come up\n");
            return 1;
        }
    }
    if (!port.isEmpty()) {
        // The parameter page after reading every parameter from the drive,
        // with one value edited and waiting to be downloaded.
        window->findChild<QPushButton *>(QStringLiteral("pushButton_ReadAllParam"))->click();
        if (!waitFor([&] { return boxes.contains(QStringLiteral("结果")); }, 10000)) {
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
    return save(window, out + QStringLiteral("/main-window.png")) ? 0 : 1;
}
