// window-shots: pictures of the tool's windows as a user sees them, for the
// README and the user guide. It builds the whole application, connects it to
// the port given (a simulated drive, normally), goes through the pages and
// dialogs as a user would and saves what they show.
//
//   window-shots --data build/bin --port /tmp/drive --out docs/images
//   window-shots --data build/bin --port /tmp/faulty --out docs/images --scene faults
//
// Scene "tour" (the default) wants a drive with default values (drive-sim
// --demo): the load-source dialog, the parameter page with its input
// dialog, a parameter import, the monitor page, the traffic monitor, the
// manual run page with both tuning runs, the waveform page, the connection
// set-up dialog, the language dialog and the about box. Scene "faults"
// wants a drive that holds a model's factory set and reports a fault
// (drive-sim --values ParameterCompare/<set>.conf --fault CODE): the model
// comparison and the fault page. Message boxes are answered as a user who
// agrees would (Yes, Save, OK) and some are drawn again as pictures.
// scripts/screenshots starts both drives and runs both scenes in Chinese and
// in English.

#include "app/langseldialog.h"
#include "app/mainclass.h"
#include "app/settingsfiles.h"
#include "dialogs/aboutdialog.h"
#include "dialogs/connectdata.h"
#include "dialogs/connectionsetup.h"
#include "dialogs/errorform.h"
#include "dialogs/paramdiffdialog.h"
#include "dialogs/paraminputdialog.h"
#include "dialogs/paramloadseldialog.h"
#include "dialogs/prompt.h"
#include "link/showsrvdebuginfo.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/recordingview.h"

#include <qwt_plot.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QCommandLineParser>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <functional>

namespace {

// The factory set the import and the "faults" drive use, beside the program.
const char kReferenceSet[] = "ParameterCompare/VMR-A1-0A02_V1.04.conf";

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

void pause(int ms)
{
    waitFor([] { return false; }, ms);
}

bool save(QWidget *window, const QString &path)
{
    const bool ok = window->grab().save(path);
    std::printf("%s %s\n", ok ? "saved" : "could not save", qPrintable(path));
    return ok;
}

bool fail(const char *what)
{
    std::fprintf(stderr, "window-shots: %s\n", what);
    return false;
}

QString mainText(const char *source)
{
    return QCoreApplication::translate("MainWindow", source);
}

// Every message box the tool shows, answered at once: Yes, Save or OK where
// the box offers it, so that the runs go on as a user who agrees would let
// them. The boxes are remembered, so that the pictures can wait for them and
// draw them again.
class Boxes
{
public:
    Boxes()
    {
        Prompt::setBoxHandler([this](const Prompt::Box &box) {
            m_seen.append(box);
            for (QMessageBox::StandardButton b : {QMessageBox::Yes, QMessageBox::Save, QMessageBox::Ok}) {
                if (box.buttons & b)
                    return b;
            }
            return QMessageBox::Ok;
        });
    }
    ~Boxes() { Prompt::setBoxHandler({}); }
    Boxes(const Boxes &) = delete;
    Boxes &operator=(const Boxes &) = delete;

    int count() const { return int(m_seen.size()); }

    // The first box since `from` with one of these titles, or null.
    const Prompt::Box *find(int from, const QStringList &titles) const
    {
        for (int i = from; i < m_seen.size(); ++i) {
            if (titles.contains(m_seen.at(i).title))
                return &m_seen.at(i);
        }
        return nullptr;
    }

    bool waitFor(int from, const QStringList &titles, int limitMs) const
    {
        return ::waitFor([&] { return find(from, titles) != nullptr; }, limitMs);
    }

    // Draws a box as the tool would have shown it, over `parent`.
    static bool snap(const Prompt::Box &box, QWidget *parent, const QString &path)
    {
        static const QMessageBox::Icon icons[] = {QMessageBox::Information, QMessageBox::Warning,
                                                  QMessageBox::Critical, QMessageBox::Question};
        QMessageBox message(icons[int(box.icon)], box.title, box.text, box.buttons, parent);
        message.show();
        pause(200);
        const bool ok = save(&message, path);
        message.close();
        return ok;
    }

private:
    QList<Prompt::Box> m_seen;
};

struct Shots {
    MainClass &app;
    MainWindow *window;
    Boxes &boxes;
    QString out;

    template <typename T = QPushButton>
    T *child(const char *name) const
    {
        T *w = window->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            std::fprintf(stderr, "window-shots: no %s in the main window\n", name);
        return w;
    }

    QString file(const QString &name) const { return out + QLatin1Char('/') + name + QStringLiteral(".png"); }
    // The main window also as on a 1366 × 768 screen, its task bar and the
    // window's title bar taken: "<name>-1366x768".
    bool shoot(QWidget *w, const char *name) const
    {
        bool ok = save(w, file(QLatin1String(name)));
        if (w == window) {
            const QSize size = window->size();
            window->resize(1366, 768 - 40 - 32);
            pause(300);
            ok = save(w, file(QLatin1String(name) + QStringLiteral("-1366x768"))) && ok;
            window->resize(size);
            pause(300);
        }
        return ok;
    }
    void page(MainWindow::Page p) const { child<QListWidget>("listWidget")->setCurrentRow(p); }
    // A group of the parameter tree clicked as a user would; -1 is the top item
    // (all parameters).
    void group(int index) const
    {
        auto *tree = child<QTreeWidget>("treeWidget_ParamGroup");
        QTreeWidgetItem *item = index < 0 ? tree->topLevelItem(0) : tree->topLevelItem(0)->child(index);
        tree->setCurrentItem(item);
        window->paramGrpClickSlot(item, 0);
    }

    bool connectTo(const QString &port) const;
    bool chooseLoadSource(ParamLoadSelDialog::Source source, bool picture) const;
    bool tour() const;
    bool faults() const;
};

bool Shots::connectTo(const QString &port) const
{
    auto *ports = child<QComboBox>("portSel");
    auto *rx = child<QLabel>("rxNum");
    if (!waitFor([&] { return ports->findText(port) >= 0; }, 3000)) {
        std::fprintf(stderr, "window-shots: %s is not in the port list\n", qPrintable(port));
        return false;
    }
    ports->setCurrentIndex(ports->findText(port));
    child("pushButton")->click();
    // Wait for a few replies, so that the counters show traffic.
    if (!waitFor([&] { return window->linkState() == 1 && rx->text().mid(3).toInt() >= 2; }, 10000))
        return fail("the link did not come up");
    // Connected on the parameter page: the drive is identified and the
    // load-source dialog offers to read its parameters.
    if (!waitFor([&] { return window->paramLoadDialog() && window->paramLoadDialog()->isVisible(); }, 5000))
        return fail("the drive was not identified");
    pause(200);
    return true;
}

bool Shots::chooseLoadSource(ParamLoadSelDialog::Source source, bool picture) const
{
    ParamLoadSelDialog *dialog = window->paramLoadDialog();
    if (picture && !shoot(dialog, "load-source-dialog"))
        return false;
    const char *radio = source == ParamLoadSelDialog::FromServo  ? "radioButton_fromServo"
                        : source == ParamLoadSelDialog::FromFile ? "radioButton_fromFile"
                                                                 : "radioButton_noLoad";
    dialog->findChild<QRadioButton *>(QString::fromLatin1(radio))->setChecked(true);
    const int from = boxes.count();
    dialog->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    if (source == ParamLoadSelDialog::FromServo) {
        // The read ends with its result box.
        if (!boxes.waitFor(from, {mainText("结果")}, 15000))
            return fail("reading the parameters did not finish");
    }
    return true;
}

bool Shots::tour() const
{
    bool ok = true;
    auto *table = child<QTableWidget>("tableWidget_Param");

    // The parameter page after reading every parameter from the drive, with
    // the input dialog open on P01_00 and then its new value waiting to be
    // downloaded.
    if (!chooseLoadSource(ParamLoadSelDialog::FromServo, true))
        return false;
    group(1);
    const int valueColumn = 7;
    emit table->doubleClicked(table->model()->index(0, valueColumn));
    auto *input = window->findChild<ParamInputDialog *>();
    if (!input || !waitFor([&] { return input->isVisible(); }, 2000))
        return fail("the parameter input dialog did not open");
    input->setInput(QStringLiteral("500"));
    pause(200);
    ok = shoot(input, "param-input-dialog") && ok;
    input->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    window->paramTable_itemChange(0, 1); // the detail list of the row
    pause(300);
    ok = shoot(window, "main-window") && ok;

    // The monitor page after a few seconds of periodic queries, with the
    // motor's speed and torque ticked for the trend.
    page(MainWindow::MonitorPage);
    auto *monitors = child<QTableWidget>("tableWidget_UnDisplay");
    for (int row : {0, 3})
        monitors->item(row, 0)->setCheckState(Qt::Checked);
    child<QSpinBox>("spinBox_UnQueryPeriod")->setValue(200);
    child<QCheckBox>("checkBox_UnPeriodQuery")->click();
    pause(4000);
    child<QCheckBox>("checkBox_UnPeriodQuery")->click();
    waitFor([&] { return !window->isMonitorQueryBusy(); }, 5000);
    pause(300);
    ok = shoot(window, "monitor-page") && ok;

    // The traffic monitor while the monitor page queries once more.
    app.connectData->diaShow();
    pause(300);
    child("pushButton_UnQueryManual")->click();
    waitFor([&] { return !window->isMonitorQueryBusy(); }, 5000);
    pause(2500); // and the keep-alive of an idle link
    ok = shoot(app.connectData, "traffic-monitor") && ok;
    app.connectData->close();

    // The manual run page with the servo on, after a short JOG; the
    // confirmation box first.
    page(MainWindow::RunPage);
    auto *servoOn = child("pushButton_ManualRunServoON");
    waitFor([&] { return servoOn->isEnabled(); }, 3000);
    int from = boxes.count();
    servoOn->click();
    if (const Prompt::Box *box = boxes.find(from, {mainText("确定运行？")}))
        ok = Boxes::snap(*box, window, file("servo-on-box")) && ok;
    auto *cw = child("pushButton_ManualRunRotateCW");
    waitFor([&] { return cw->isEnabled(); }, 3000);
    emit cw->pressed();
    pause(1500);
    emit cw->released();
    pause(1200);
    ok = shoot(window, "run-page") && ok;

    // Inertia identification: started from JOG, it runs until the drive
    // reports it finished; the result is written (the box is answered Yes).
    auto *inertia = child("pushButton_ManualRunInnerID");
    auto *next = child("pushButton_ManualRunNextStep");
    if (!waitFor([&] { return inertia->isEnabled(); }, 5000))
        return fail("inertia identification was not offered");
    from = boxes.count();
    inertia->click();
    pause(1200);
    ok = shoot(window, "run-inertia-running") && ok;
    const QString done = QCoreApplication::translate("ManualRunMachine", "惯量识别完成");
    if (!boxes.waitFor(from, {done}, 15000))
        return fail("inertia identification did not finish");
    pause(600);
    ok = shoot(window, "run-inertia") && ok;
    ok = Boxes::snap(*boxes.find(from, {done}), window, file("inertia-done-box")) && ok;

    // The stiffness measurement on the second page, level by level, until
    // the drive reports it finished; the recommended level is written.
    if (!next->isEnabled())
        return fail("the next step was not offered after the identification");
    next->click();
    auto *measure = child("pushButton_ManualRunAutoParamTest");
    from = boxes.count();
    measure->click();
    const QString result = QCoreApplication::translate("ManualRunMachine", "刚性等级测试结果");
    if (!boxes.waitFor(from, {result}, 20000))
        return fail("the stiffness measurement did not finish");
    pause(600);
    ok = shoot(window, "run-stiffness") && ok;
    child("pushButton_3")->click();
    child("pushButton_ManualRunServoOFF")->click();
    pause(600);

    // The waveform page after three seconds of capture.
    page(MainWindow::WavePage);
    child("pushButton_waveformRec")->click();
    pause(3000);
    child("pushButton_waveformRec")->click();
    pause(300);
    ok = shoot(window, "wave-page") && ok;

    // The same capture with other units per division (speeds 500 rpm/div,
    // torque feedback 5 %/div), the speed command moved up two divisions, the
    // torque command hidden and the cursors A and B on.
    const std::pair<const char *, const char *> scales[] = {
        {"comboBox_WF_CH1_Scale", "500"}, {"comboBox_WF_CH2_Scale", "500"}, {"comboBox_WF_CH4_Scale", "5"}};
    for (const auto &s : scales) {
        auto *scale = child<QComboBox>(s.first);
        scale->setCurrentIndex(scale->findText(QLatin1String(s.second)));
    }
    child<QSpinBox>("spinBox_WF_CH2_Offset")->setValue(2);
    child<QToolButton>("toolButton_CHC_OnOff")->click();
    child<QCheckBox>("checkBox_WF_Cursors")->click();
    pause(300);
    ok = shoot(window, "wave-adjusted") && ok;

    // Seven seconds of the demo's speed steps recorded to a file, opened in
    // the recording window with the pointer on a step.
    const QString recording = QDir::temp().filePath(QStringLiteral("window-shots.wrec"));
    Prompt::setFileHandler([&](const Prompt::FileRequest &) { return recording; });
    child<QCheckBox>("checkBox_WF_RecordToFile")->click();
    child("pushButton_waveformRec")->click();
    pause(7000);
    child("pushButton_waveformRec")->click();
    pause(300);
    Prompt::setFileHandler({});
    window->openRecording(recording);
    if (RecordingView *view = window->recordingView()) {
        view->resize(1100, 600);
        pause(300);
        QWidget *canvas = view->plot()->canvas();
        const QPoint at(canvas->width() * 43 / 100, canvas->height() / 4);
        QMouseEvent move(QEvent::MouseMove, at, canvas->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(canvas, &move);
        pause(300);
        ok = shoot(view, "recording-view") && ok;
        view->close();
    } else {
        ok = fail("the recording did not open");
    }
    QFile::remove(recording);

    // A parameter file imported over the values read: the model's factory
    // set, which differs from the defaults in a few parameters.
    page(MainWindow::ParamPage);
    pause(300);
    group(-1);
    const QString reference = QFileInfo(QString::fromLatin1(kReferenceSet)).absoluteFilePath();
    Prompt::setFileHandler([&](const Prompt::FileRequest &) { return reference; });
    from = boxes.count();
    child("pushButton_paramImportFile")->click();
    Prompt::setFileHandler({});
    if (const Prompt::Box *box = boxes.find(from, {mainText("当前文件机型版本信息"), mainText("文件与当前机型不一致")}))
        ok = Boxes::snap(*box, window, file("import-check-box")) && ok;
    else
        ok = fail("the import did not show the model check");
    window->paramTable_itemChange(2, 1);
    pause(300);
    ok = shoot(window, "param-import") && ok;

    // Every ticked parameter written, all groups being shown: the drive
    // refuses the read-only one the file carried.
    from = boxes.count();
    child("pushButton_DownLoadParam")->click();
    const QString written = mainText("参数设置结果");
    if (boxes.waitFor(from, {written}, 10000)) {
        pause(300);
        ok = shoot(window, "param-write-result") && ok;
        ok = Boxes::snap(*boxes.find(from, {written}), window, file("write-result-box")) && ok;
    } else {
        ok = fail("writing the parameters did not finish");
    }

    // The dialogs of the menus and the link bar.
    app.connectionSetup->setupShow();
    pause(300);
    ok = shoot(app.connectionSetup, "connection-setup") && ok;
    app.connectionSetup->close();

    app.langSel->showLangSelDlg();
    auto *languages = app.langSel->findChild<QListWidget *>(QStringLiteral("listWidget_Lang"));
    if (languages && languages->count() > 0) {
        const int other = languages->count() > 1 && languages->item(0)->data(Qt::UserRole).toString() == app.langSel->curLang() ? 1 : 0;
        languages->setCurrentRow(other);
        emit languages->itemClicked(languages->item(other));
    }
    pause(300);
    ok = shoot(app.langSel, "language-dialog") && ok;
    app.langSel->close();

    app.about->diaShow();
    pause(300);
    ok = shoot(app.about, "about-box") && ok;
    app.about->close();

    // The windows of the menus and the parameter page not shown yet.
    const std::pair<QWidget *, const char *> others[] = {{app.errors, "error-list"}, {app.debugInfo, "debug-window"}};
    for (const auto &other : others) {
        other.first->show();
        pause(300);
        ok = shoot(other.first, other.second) && ok;
        other.first->close();
    }
    child("pushButton_ParamDiff")->click();
    if (auto *diff = window->findChild<ParamDiffDialog *>()) {
        pause(300);
        ok = shoot(diff, "param-diff-dialog") && ok;
        diff->close();
    }
    return ok;
}

bool Shots::faults() const
{
    bool ok = true;
    // The model comparison: every parameter is read, those that differ
    // from their defaults are listed, and the drive's values are looked up
    // among the model's factory sets.
    if (!chooseLoadSource(ParamLoadSelDialog::NoLoad, false))
        return false;
    const int from = boxes.count();
    child("pushButton_ParamCompare")->click();
    const QStringList titles = {mainText("参数比较完成"), mainText("参数比较失败")};
    if (!boxes.waitFor(from, titles, 15000))
        return fail("the model comparison did not finish");
    pause(300);
    ok = shoot(window, "param-compare") && ok;
    ok = Boxes::snap(*boxes.find(from, titles), window, file("compare-box")) && ok;

    // The drive's fault code, as the manual run page reads it, explained on
    // the fault page.
    page(MainWindow::RunPage);
    auto *query = child("pushButton_ManualRun_Query");
    waitFor([&] { return query->isEnabled(); }, 3000);
    query->click();
    auto *code = child<QLabel>("label_ManualRun_ErrorCode_3");
    const QString empty = mainText("报警代码：");
    if (!waitFor([&] { return code->text() != empty; }, 5000))
        ok = fail("the drive's fault code did not arrive");
    pause(300);
    ok = shoot(window, "run-page-fault") && ok;
    page(MainWindow::FaultPage);
    pause(300);
    ok = shoot(window, "fault-page") && ok;
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps); // as the program
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("data"), QStringLiteral("Folder with the program's data files."), QStringLiteral("DIR")},
        {QStringLiteral("port"), QStringLiteral("Port to connect to."), QStringLiteral("NAME")},
        {QStringLiteral("out"), QStringLiteral("Folder for the pictures."), QStringLiteral("DIR"), QStringLiteral(".")},
        {QStringLiteral("lang"),
         QStringLiteral("Interface language (default: the remembered one in config.ini, which is left as it was)."),
         QStringLiteral("CODE")},
        {QStringLiteral("scene"),
         QStringLiteral("tour (a drive with default values) or faults (a drive with a factory set and a fault)."),
         QStringLiteral("NAME"), QStringLiteral("tour")},
    });
    parser.process(app);
    const QString out = QDir(parser.value(QStringLiteral("out"))).absolutePath();
    QDir().mkpath(out);
    if (parser.isSet(QStringLiteral("data")))
        QDir::setCurrent(parser.value(QStringLiteral("data")));
    const QString scene = parser.value(QStringLiteral("scene"));
    if (scene != QLatin1String("tour") && scene != QLatin1String("faults")) {
        std::fprintf(stderr, "window-shots: unknown scene %s\n", qPrintable(scene));
        return 2;
    }

    // A language asked for is the remembered one while the windows are
    // made, as if chosen in the language dialog before; config.ini is put
    // back as it was right after.
    const QString config = QStringLiteral("config.ini");
    QByteArray configBefore;
    const bool configExisted = QFile::exists(config);
    if (parser.isSet(QStringLiteral("lang"))) {
        QFile file(config);
        if (configExisted && file.open(QIODevice::ReadOnly))
            configBefore = file.readAll();
        file.close();
        SettingsFiles::saveLanguage(config, parser.value(QStringLiteral("lang")));
    }
    Boxes boxes;
    MainClass mainClass;
    if (parser.isSet(QStringLiteral("lang"))) {
        QFile file(config);
        if (!configExisted)
            file.remove();
        else if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(configBefore) != configBefore.size())
            std::fprintf(stderr, "window-shots: could not restore %s\n", qPrintable(config));
    }
    QApplication::setFont(QFont(QStringLiteral("Microsoft Sans Serif")));
    // As the program does at start.
    emit mainClass.langSel->LanguageChange(mainClass.langSel->curLang(), false);
    MainWindow *window = mainClass.mainWindow;
    // Wide enough for the last column of the parameter table.
    window->setWindowState(Qt::WindowNoState); // not maximised over the offscreen screen
    window->resize(1500, 890);
    window->show();

    const Shots shots{mainClass, window, boxes, out};
    const QString port = parser.value(QStringLiteral("port"));
    if (port.isEmpty()) {
        pause(300);
        return shots.shoot(window, "main-window") ? 0 : 1;
    }
    if (!shots.connectTo(port))
        return 1;
    const bool ok = scene == QLatin1String("tour") ? shots.tour() : shots.faults();
    return ok ? 0 : 1;
}
