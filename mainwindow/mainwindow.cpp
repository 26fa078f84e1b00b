// The main window's frame: construction, navigation, menus, settings files,
// version texts and language switching.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/applog.h"
#include "app/inputfilter.h"
#include "dialogs/helpwindow.h"
#include "app/windowplace.h"
#include "dialogs/fittext.h"
#include "dialogs/paraminputdialog.h"
#include "dialogs/paramloadseldialog.h"
#include "dialogs/prompt.h"
#include "mainwindow/manualrunpage.h"

#include <QApplication>
#include <QBoxLayout>
#include <QLabel>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include <qwt_plot.h>

static void initFormResources()
{
    Q_INIT_RESOURCE(resources);
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , m_appTranslator(new QTranslator(this))
    , m_widgetsTranslator(new QTranslator(this))
    , m_qtTranslator(new QTranslator(this))
{
    initFormResources();

    // 1. The form, the first page, drops, sizes and the event filter.
    ui->setupUi(this);
    ui->stackedWidget->setCurrentIndex(ParamPage);
    ui->listWidget->setCurrentRow(ParamPage);
    setAcceptDrops(true);
    setMinimumSize(600, 400);
    installEventFilter(this);
    // Names from the drive and the definition files may be longer than the
    // room these labels have: shown cut, whole in the tooltip.
    for (QLabel *label : {ui->label_ServoType, ui->label_ManualRun_ErrorCode, ui->label_ManualRun_ErrorCode_3})
        FitText::elide(label);
    // The waveform page's controls scroll on a low screen.
    FitText::fitWidth(ui->scrollArea_wavePanel);

    // 2. The status lamp and the counter reset.
    m_redLamp.load(QStringLiteral(":/new/prefix1/red-light.ico"));
    m_greenLamp.load(QStringLiteral(":/new/prefix1/green-light.ico"));
    showLamp(false);
    connect(ui->comReset, &QPushButton::clicked, this, &MainWindow::comNumReset);

    // 3. Which drive models exist and which definition file each uses.
    readServoInfoFile(QStringLiteral("ParameterFile/02-ServoInformation.xml"));

    // 4. The default definition file.
    langCode = QStringLiteral("zh_CN");
    paramFilePath = QStringLiteral("ParameterFile/zh_CN_Parameter.xml");
    paramFileName = QStringLiteral("Parameter.xml");
    readParameterFile(paramFilePath, defs);

    // 5. config.ini.
    readConfigIni();

    // 6. Pages, then navigation and menus.
    setupParamPage();
    setupMonitorPage();
    setupRunPage();
    setupFaultPage();
    connect(ui->listWidget, &QListWidget::currentRowChanged, ui->stackedWidget, &QStackedWidget::setCurrentIndex);
    connect(ui->listWidget, &QListWidget::currentRowChanged, this, &MainWindow::nowPage);
    connect(ui->listWidget, &QListWidget::currentRowChanged, this, &MainWindow::pageChange);
    connect(ui->CLink, &QAction::triggered, this, &MainWindow::showConnectSetup);
    connect(ui->CSerialData, &QAction::triggered, this, &MainWindow::showConnectData);
    connect(ui->CAbout, &QAction::triggered, this, &MainWindow::showAbout);
    connect(ui->actionDisconnect, &QAction::triggered, this, &MainWindow::disconnectDrive);
    connect(ui->actionQuit, &QAction::triggered, this, &QWidget::close);
    connect(ui->CWrongDia, &QAction::triggered, this, &MainWindow::showWrongDia);
    connect(ui->actionHelp, &QAction::triggered, this, &MainWindow::openChmFile);
    connect(ui->pushButton_Language, &QPushButton::clicked, this, &MainWindow::showLangSelDlgReg);
    // The last connection asked for, whichever way: a lost drive is reconnected with it.
    connect(this, &MainWindow::connectPara, this,
            [this](const QString &port, uint32_t baud, uint8_t dataBits, uint8_t parity, uint8_t stopBits) {
                m_lastLink = LinkRequest{port, baud, dataBits, parity, stopBits};
            });
    setupStampRequests();
    setupShortcuts();

    // 7. The 100 ms timer: port scan and the busy-flag watchdog.
    m_scanTimer = new QTimer(this);
    m_scanTimer->setInterval(100);
    connect(m_scanTimer, &QTimer::timeout, this, &MainWindow::searchComPort);
    connect(m_scanTimer, &QTimer::timeout, this, &MainWindow::SerialDataQueryTimeOutDeal);
    m_scanTimer->start();

    // 8. No link yet; the pages start idle.
    isCommunicateSetUp = 0;
    waveRecording = false;

    // 9. One button opens the traffic monitor and the servo debug window.
    connect(ui->pushButton_showCommData, &QPushButton::clicked, this, &MainWindow::showConnectData);
    connect(ui->pushButton_showCommData, &QPushButton::clicked, this, &MainWindow::showServoDebugInfo);

    // 10. The other settings files and the device labels.
    readAppSettings();
    readVersionIni();
    readPatchVer();
    updateServoLabels();

    // 11. Optional features.
    ui->pushButton_ParamCompare->setVisible(m_appSettings.useCompare);
    if (!m_appSettings.testXml) {
        ui->label_FaultCodeTest->hide();
        ui->comboBox_FaultCodeTest->hide();
    } else {
        startDefinitionTest();
    }

    // 12. Waveform timing, then the plot that uses it.
    m_samplePeriod = m_appSettings.waveFormRate10Khz ? 0.0001f : 0.001f;
    m_sampleCapacity = m_appSettings.waveFormRate10Khz ? 100000 : 10000;
    setupWavePage();

    m_txText = ui->txNum->text();
    m_rxText = ui->rxNum->text();
    m_erText = ui->errorNum->text();
    searchComPort();
}

MainWindow::~MainWindow()
{
    // Children still report while the window goes (a button hidden, a page
    // removed); nothing of that may reach a window half destroyed.
    delete m_jogGuard;
    delete m_scope.cursorHook; // the plot's pickers still send events as they go
    ui->stackedWidget->disconnect(this);
    delete ui;
}

void MainWindow::pageChange(int page)
{
    // The identification asked for on connect waits for the parameter page.
    if (page == ParamPage && queryInfoOnParamPage && isCommunicateSetUp == 1) {
        queryInfoOnParamPage = false;
        ProductSerial_Query();
        infoRequestedFromParamPage = true;
    }
    if (page != WavePage && waveRecording)
        stopWaveRecording();
    if (page == FaultPage)
        pollDriveFault();
}

void MainWindow::showConnectSetup()
{
    emit showSetup();
}

void MainWindow::showConnectData()
{
    emit showConnectDataDia();
}

void MainWindow::showAbout()
{
    emit showAboutDia();
}

namespace {

// Whether the desktop has a program for compiled help files. Windows always
// has one; on Linux it is an extra package (xchm, kchmviewer).
bool chmViewerInstalled()
{
#ifdef Q_OS_WIN
    return true;
#else
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("application/vnd.ms-htmlhelp")});
    return query.waitForFinished(2000) && query.exitCode() == 0 && !query.readAllStandardOutput().trimmed().isEmpty();
#endif
}

} // namespace

void MainWindow::openChmFile()
{
    const QString chm = QDir::current().absoluteFilePath(QStringLiteral("help.chm"));
    const QString html = QDir::current().absoluteFilePath(QStringLiteral("help/index.html"));
    // The guide's web pages open in the tool's own help window, which needs
    // no browser; compiled help only when they are missing and a viewer is there.
    if (QFileInfo(html).isFile()) {
        if (!m_helpWindow)
            m_helpWindow = new HelpWindow(this);
        m_helpWindow->showPage(html);
        return;
    }
    const bool chmOpened = QFileInfo(chm).isFile() && chmViewerInstalled()
        && QDesktopServices::openUrl(QUrl::fromLocalFile(chm));
    if (!chmOpened)
        Prompt::warning(this, tr("帮助"), tr("无法打开帮助文件：%1").arg(QDir::toNativeSeparators(html)));
}

void MainWindow::numCheck(QString text)
{
    auto *edit = qobject_cast<QLineEdit *>(sender());
    const QString filtered = InputFilter::dropTrailingNonNumber(text, false);
    if (edit && filtered != text)
        edit->setText(filtered);
}

// --- Settings and version files ---------------------------------------------

void MainWindow::readConfigIni()
{
    settingsPath = QStringLiteral("config.ini");
    const SettingsFiles::Config config = SettingsFiles::readConfig(settingsPath);
    configTitle = config.title;
    waveformImport = config.waveformImport;
    showCommData = config.showCommData;
    placeWindow(config.window, config.windowMaximised);
    updateServoLabels();
    ui->waveDataImport->setVisible(waveformImport);
    ui->pushButton_showCommData->setVisible(showCommData);
}

namespace {
// Room for the window manager's frame around a window not yet shown, whose
// own frame is not known yet: a title bar and thin borders.
const QMargins kFrameAllowance(8, 32, 8, 8);
} // namespace

void MainWindow::placeWindow(const QRect &remembered, bool maximised)
{
    QList<QRect> screens;
    if (QScreen *primary = QGuiApplication::primaryScreen())
        screens << primary->availableGeometry();
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            screens << screen->availableGeometry();
    }
    const WindowPlace::Place place =
        WindowPlace::place(remembered, maximised, screens, kFrameAllowance, QSize(1350, 890));
    setGeometry(place.rect);
    if (place.maximised)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::saveWindowPlace()
{
    if (!SettingsFiles::saveWindow(settingsPath, normalGeometry(), isMaximized()))
        qCWarning(lcWindow) << "cannot write" << settingsPath;
}

void MainWindow::readAppSettings()
{
    m_appSettings = SettingsFiles::readAppSettings(QStringLiteral("appsetting.ini"));
    if (m_appSettings.exists)
        qCDebug(lcWindow) << "文件存在";
}

void MainWindow::readVersionIni()
{
    m_version = SettingsFiles::readVersion(QStringLiteral("version.ini"), QString());
}

void MainWindow::readPatchVer()
{
    m_version.patch = SettingsFiles::readVersion(QString(), QStringLiteral("patchVer.ini")).patch;
}

void MainWindow::makeVersionTexts(QString &version, QString &date, QString &patch) const
{
    version = SettingsFiles::versionText(m_version);
    date = SettingsFiles::dateText(m_version);
    patch = m_version.patch == 0 ? tr("无") : QString::number(m_version.patch);
}

void MainWindow::updateServoLabels()
{
    if (!m_serialLabel) {
        // The serial number goes beside the model and version, as plain text.
        m_serialLabel = new QLabel(this);
        m_serialLabel->setObjectName(QStringLiteral("label_ServoSerial"));
        m_serialLabel->setTextFormat(Qt::PlainText);
        FitText::elide(m_serialLabel);
        if (auto *bar = qobject_cast<QBoxLayout *>(ui->label_ServoVer->parentWidget()->layout()))
            bar->insertWidget(bar->indexOf(ui->label_ServoVer) + 1, m_serialLabel);
    }
    ui->label_ServoType->setVisible(waveformImport);
    ui->label_ServoVer->setVisible(waveformImport);
    m_serialLabel->setVisible(waveformImport);
    if (!waveformImport)
        return;
    ui->label_ServoType->setText(tr("型号：") + (deviceModel.isEmpty() ? tr("无") : deviceModel));
    ui->label_ServoVer->setText(tr("版本号：") + (deviceVersion.isEmpty() ? tr("无") : deviceVersion));
    m_serialLabel->setText(tr("序列号：") + (m_serialNumber.isEmpty() ? tr("无") : m_serialNumber));
}

bool MainWindow::iniSave()
{
    // Only Basic/Language changes; the user's other settings stay.
    if (SettingsFiles::saveLanguage(settingsPath, langCode))
        return true;
    qCWarning(lcWindow) << "cannot write" << settingsPath;
    return false;
}

bool MainWindow::saveFile()
{
    if (settingsPath.isEmpty())
        settingsPath = QStringLiteral("config.ini");
    {
        QFile file(settingsPath);
        if (!file.open(QIODevice::ReadWrite))
            return false; // cannot be created: nothing is written, nothing emitted
    }
    if (!iniSave())
        return false;
    emit putSavePath(settingsPath);
    return true;
}

// --- Language ---------------------------------------------------------------

void MainWindow::LoadTranslation(QString lang, bool save)
{
    qCDebug(lcWindow) << "收到翻译请求" << lang;
    langCode = lang;
    qmPath = QStringLiteral("translations/%1_app.qm").arg(lang);
    paramFilePath = QStringLiteral("ParameterFile/%1_%2").arg(lang, paramFileName);
    updateLanguage();
    if (m_loadSelDialog) {
        m_loadSelDialog->LoadTranslation(lang, save);
        if (!m_unknownKey.isEmpty() && !m_loadInfo.isEmpty())
            m_loadInfo[0] = tr("未知型号，机型代码:%1").arg(m_unknownKey);
        m_loadSelDialog->setDeviceInfo(m_loadInfo);
    }
    m_inputDialog->LoadTranslation(lang, save);

    // The same model's definitions in the new language, keeping the values.
    loadDefinitions(paramFilePath);

    if (save) {
        if (saveFile())
            statusBar()->showMessage(tr("语言切换完成！"));
        else
            Prompt::warning(this, tr("语言"), tr("语言已切换，但无法保存到config.ini，下次启动时仍使用原来的语言。"));
    }
    QString version, date, patch;
    makeVersionTexts(version, date, patch);
    // The translation says how the title and the version meet.
    setWindowTitle(tr("Vemar伺服上位机调试平台%1").arg(version));
    updateServoLabels();
}

void MainWindow::updateLanguage()
{
    QString appFile = qmPath;
    if (!QFileInfo::exists(appFile)) {
        qCDebug(lcWindow) << "所要的翻译文件:" << appFile << "不存在";
        appFile.clear();
    }
    const struct {
        QTranslator *translator;
        QString file;
    } translators[] = {
        {m_appTranslator, appFile},
        {m_widgetsTranslator, QStringLiteral("translations/widgets_%1.qm").arg(langCode)},
        {m_qtTranslator, QStringLiteral("translations/qt_%1.qm").arg(langCode)},
    };
    for (const auto &t : translators) {
        QApplication::removeTranslator(t.translator);
        // A missing or unreadable file leaves the translator empty: the
        // texts stay as written.
        if (!t.file.isEmpty() && QFileInfo::exists(t.file) && !t.translator->load(t.file))
            qCWarning(lcWindow) << "translation file cannot be read:" << t.file;
        else if (t.file.isEmpty() || !QFileInfo::exists(t.file))
            t.translator->load(QString());
        QApplication::installTranslator(t.translator);
    }
    ui->retranslateUi(this);
    if (!configTitle.isEmpty())
        setWindowTitle(configTitle);
    retranslateLinkTexts();
    retranslatePageTexts();
}

void MainWindow::retranslatePageTexts()
{
    // Texts the pages set while they run, which the form's own texts have
    // just replaced.
    m_runView->setInertiaButton(m_manualRun->state() == ManualRunMachine::IdentifyState);
    m_runView->setMeasureButton(m_manualRun->measuring());
    showControlMode(m_manualRun->controlMode());
    retranslateWavePage();
    retranslateMonitorTrend();
    nameResultRows();
    fitParamColumns();
    showFaultCode(m_faultCode);
    retranslateFaultPage();
    fitPageList();
}

void MainWindow::fitPageList()
{
    // The page list as wide as the longest page name, which differs by language.
    QListWidget *pages = ui->listWidget;
    int widest = 0;
    for (int row = 0; row < pages->count(); ++row)
        widest = qMax(widest, pages->sizeHintForIndex(pages->model()->index(row, 0)).width());
    pages->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pages->setFixedWidth(widest + 2 * pages->spacing() + 2 * pages->frameWidth());
}
