#include "app/langseldialog.h"
#include "app/mainclass.h"
#include "app/quitsignals.h"
#include "app/workfolder.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QComboBox>
#include <QDir>
#include <QFont>
#include <QIcon>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

// Connects to `port` as soon as the port list shows it (the list is
// refreshed every 100 ms); gives up after five seconds.
void connectWhenListed(MainWindow *window, const QString &port)
{
    auto *ports = window->findChild<QComboBox *>(QStringLiteral("portSel"));
    auto *button = window->findChild<QPushButton *>(QStringLiteral("pushButton"));
    auto *timer = new QTimer(window);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, window, [=] {
        const int at = ports->findText(port);
        if (at >= 0 && window->linkState() == 0) {
            ports->setCurrentIndex(at);
            button->click();
            timer->deleteLater();
        } else if (++*tries > 50) {
            std::fprintf(stderr, "servo-tool: %s is not among the ports\n", qPrintable(port));
            timer->deleteLater();
        }
    });
    timer->start(100);
}

} // namespace

int main(int argc, char *argv[])
{
    // Before Qt and the libraries under it read HOME.
    const bool asRoot = WorkFolder::confineRoot();
    // Icons drawn from their "@2x" pictures on a scaled screen (QT_SCALE_FACTOR
    // or a high-density monitor), not blown up.
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("servo-tool"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pic/vemar-servo.svg")));
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Commissioning and diagnostics of a servo drive."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("port"), QStringLiteral("Connect to this port at start (a serial port or a "
                                                             "path listed in SERVO_EXTRA_PORTS)."),
                      QStringLiteral("NAME")});
    parser.process(app);

    // Settings, definitions and translations lie beside the program, and
    // every path the tool uses is relative to its working folder: the
    // program's own, or the user's when the program is installed.
    // Root could write anywhere, the installed folder included, whose
    // config.ini is every new user's default: root works in a folder of its
    // own, and at worst in one that goes when the program ends.
    const QString programDir = QCoreApplication::applicationDirPath();
    QString folder = WorkFolder::prepare(
        programDir, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), !asRoot);
    std::unique_ptr<QTemporaryDir> scratch;
    if (folder.isEmpty() && asRoot) {
        scratch = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("servo-tool-XXXXXX")));
        if (!scratch->isValid() || !WorkFolder::fillUserFolder(programDir, scratch->path())) {
            std::fprintf(stderr, "servo-tool: no working folder for root\n");
            return 1;
        }
        folder = scratch->path();
    }
    QDir::setCurrent(folder.isEmpty() ? programDir : folder);
    if (asRoot)
        std::fprintf(stderr, "servo-tool: warning: running as root is not needed and not advised; settings are "
                             "kept in %s\n",
                     qPrintable(QDir::toNativeSeparators(QDir::currentPath())));

    MainClass mainClass;
    QApplication::setFont(QFont(QStringLiteral("Microsoft Sans Serif")));
    // The window closes only once the drive is stopped; then the program ends.
    QObject::connect(mainClass.mainWindow, &MainWindow::closedSafely, &app, &QApplication::quit, Qt::QueuedConnection);
    QuitSignals::install(mainClass.mainWindow);

    if (!mainClass.langSel->langFound())
        mainClass.langSel->exec();
    else
        emit mainClass.langSel->LanguageChange(mainClass.langSel->curLang(), false);
    if (QuitSignals::received())
        return 0; // ended while the language was being chosen

    mainClass.mainWindow->show();
    if (parser.isSet(QStringLiteral("port")))
        connectWhenListed(mainClass.mainWindow, parser.value(QStringLiteral("port")));
    return app.exec();
}
