#pragma once

#include "app/settingsfiles.h"
#include "definitions/definitions.h"
#include "definitions/servoinfo.h"
#include "link/frame.h"
#include "mainwindow/busywatchdog.h"
#include "mainwindow/faulthistory.h"
#include "mainwindow/manualrun.h"
#include "mainwindow/monitorquery.h"
#include "mainwindow/monitortrend.h"
#include "mainwindow/paramdiff.h"
#include "mainwindow/paramtransfer.h"
#include "mainwindow/wavecapture.h"
#include "mainwindow/waverecording.h"
#include "mainwindow/wavescope.h"
#include "mainwindow/wavetrigger.h"
#include "mainwindow/portscan.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QModelIndex>
#include <QPoint>
#include <QPointer>
#include <QRecursiveMutex>
#include <QSet>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class FastCurve;
class RecordingView;
class WaveRecorder;
class QCheckBox;
class SpectrumDialog;
class HelpWindow;
class QGroupBox;
class QLabel;
class QTableWidget;
class ModelXmlList;
class ParamLoadSelDialog;
class ParamDiffDialog;
class ManualRunPage;
class QComboBox;
class QCheckBox;
class QwtPlot;
class QPushButton;
class QDial;
class QSpinBox;
class QToolButton;
class QwtPlotMarker;
class TriggerPanel;
class ParamInputDialog;
class QLineEdit;


class QTableWidgetItem;
class QTimer;
class QTranslator;
class QTreeWidgetItem;

namespace Ui {
class MainWindow;
}

// The main window: every page of the tool and the command layer that talks
// to the link worker. Its code is split by page: mainwindow.cpp (frame,
// settings, language), mainwindow_link.cpp (commands, replies, link status),
// mainwindow_identify.cpp (which drive is connected), mainwindow_params.cpp
// (parameter page and parameter transfers), mainwindow_paramfiles.cpp
// (parameter files and the model comparison), mainwindow_monitor.cpp
// (monitor variables), mainwindow_trend.cpp (their trend and log),
// mainwindow_run.cpp (manual run and tuning),
// mainwindow_faults.cpp (fault display), mainwindow_wave.cpp (waveform
// capture and plot), mainwindow_wavefiles.cpp (waveform files),
// mainwindow_keys.cpp (keyboard shortcuts).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Page indexes of stackedWidget.
    enum Page { ParamPage = 0, MonitorPage = 1, RunPage = 2, WavePage = 3, FaultPage = 4 };

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Software version, release date and patch version, for the about box.
    void makeVersionTexts(QString &version, QString &date, QString &patch) const;

    int linkState() const { return isCommunicateSetUp; }
    bool isParamTransferBusy() const { return paramTransferBusy; }
    bool isMonitorQueryBusy() const { return unQueryBusy; }
    void setParamTransferBusy(bool busy) { paramTransferBusy = busy; }
    void setMonitorQueryBusy(bool busy) { unQueryBusy = busy; }
    QString settingsFilePath() const { return settingsPath; }

    // The loaded definitions (parameters with their runtime values, monitor
    // variables, faults, waveform channels).
    Definitions &definitions() { return defs; }
    int shownGroup() const { return currentGroup; }
    // Re-reads the definition file of the current language and model and
    // rebuilds the pages.
    void reloadDefinitions();

signals:
    void showSetup();
    void showConnectDataDia();
    void showAboutDia();
    void funcEnd();
    void put(int index);
    void connectPara(const QString &port, uint32_t baud, uint8_t dataBits, uint8_t parity, uint8_t stopBits);
    void putSoftWare(Frame reply);
    void comNumberReset();
    void comDisConnect();
    void updateExistHID(QStringList paths);
    void showWrongSet(QString message);
    void showWrongDia();
    void showLangSelDlgReg();
    void showServoDebugInfo();
    void nowPage(int page);
    void putSavePath(QString path);
    // Emitted with true before a tuning result question and false after it.
    void commTestPause(bool paused);
    // The window has closed, after the drive was stopped and the link ended.
    void closedSafely();
    // The identified drive changed (all empty once the link has ended).
    void deviceInfoChanged(QString model, QString version, QString serial);

public slots:
    // Link worker.
    void showError(QString message);
    void showMsg(QString message);
    void showData(int index);
    void waveform_recvDataFromThread(QByteArray samples);
    // Sample sets the stream lost between the samples before and after.
    void waveform_gapFromThread(int sampleSets);
    void comStateShow(uint16_t state);
    void comTxNumShow(uint32_t count);
    void comRxNumShow(uint32_t count);
    void comErNumShow(uint32_t count);
    void comIdleDeal();
    // Why the link ended (LinkEngine::EndCause), just before the worker's
    // closing message.
    void comEndCause(int cause);

    // Command layer.
    void on_pushButton_clicked();
    // Disconnect from the menu: the drive is stopped first, then the link ends.
    void disconnectDrive();
    // A connection chosen in the connection set-up dialog: a link that is
    // up is ended safely first.
    void connectFromSetup(const QString &port, uint32_t baud, uint8_t dataBits, uint8_t parity, uint8_t stopBits);
    // Connects again with the port and line settings of the last connection.
    void reconnectDrive();
    void comNumReset();
    void searchComPort();
    void SerialDataQueryTimeOutDeal();
    void ProductSerial_Query();
    void getSoftWare();
    // The drive's EEPROM version stamps (command 12), and its factory reset
    // (command 13) after the user confirmed it.
    void EepromVersion_Query();
    void FactoryReset_Request();

    // Frame, menus and settings.
    void pageChange(int page);
    void showConnectSetup();
    void showConnectData();
    void showAbout();
    void openChmFile();
    void numCheck(QString text);
    bool iniSave();
    // False when config.ini could not be written.
    bool saveFile();

    // Language.
    void LoadTranslation(QString lang, bool save);
    void updateLanguage();

    // Parameter page.
    void paramGrpClickSlot(QTreeWidgetItem *item, int column);
    void ShowTooltip(QModelIndex index);
    void paramTable_itemChange(int row, int column);
    void paramTable_SetValue(QModelIndex index);
    void paramTableMenuAck(QPoint at);
    void paramTable_Select1stColumn();
    void paramTable_DisSelect1stColumn();
    void paramTable_Clear1stColumnFlag();
    void SaveParamBack(QString value);
    void on_pushButton_ReadAllParam_clicked();
    void on_pushButton_ReadSelectParam_clicked();
    void on_pushButton_DownLoadParam_clicked();
    void on_pushButton_ParamCompare_clicked();
    void on_pushButton_ParamDiff_clicked();
    void on_pushButton_paramExportFile_clicked();
    void on_pushButton_paramImportFile_clicked();
    // The load-source dialog's choice (0 nothing, 1 the drive, 2 a file).
    void paramLoadSrcSet(int source);
    void paramLoadClose();
    // Definition-file test mode: loads one definition file by name.
    void xmlTest_SelectFile(QString name);
    // Refreshes the parameter table for a group (99: all groups).
    void refreshParamTable(int group);

    // Monitor page.
    void on_pushButton_UnQueryManual_clicked();
    void on_checkBox_UnPeriodQuery_clicked();
    void UnDisp_PeriodQueryTimerCB();

    // Manual run and tuning.
    void on_pushButton_ManualRunServoON_clicked();
    void on_pushButton_ManualRunServoOFF_clicked();
    void on_pushButton_ManualRunRotateCW_pressed();
    void on_pushButton_ManualRunRotateCW_released();
    void on_pushButton_ManualRunRotateCCW_pressed();
    void on_pushButton_ManualRunRotateCCW_released();
    void on_pushButton_ManualRunInnerID_clicked();
    void on_pushButton_ManualRunAutoParamTest_clicked();
    void ManualRun_PeriodTimerCB();
    void on_pushButton_ManualRun_Query_clicked();
    void on_pushButton_ManualRunNextStep_clicked();
    void on_pushButton_3_clicked();
    void ManualRun_SetSliderRange(QString revolutions);

    // Waveform page.
    void on_pushButton_waveformRec_clicked();
    void on_toolButton_CHA_OnOff_clicked();
    void on_toolButton_CHB_OnOff_clicked();
    void on_toolButton_CHC_OnOff_clicked();
    void on_toolButton_CHD_OnOff_clicked();
    void on_comboBox_WF_CH1_Scale_currentIndexChanged(QString text);
    void on_comboBox_WF_CH2_Scale_currentIndexChanged(QString text);
    void on_comboBox_WF_CH3_Scale_currentIndexChanged(QString text);
    void on_comboBox_WF_CH4_Scale_currentIndexChanged(QString text);
    void on_spinBox_WF_CH1_Offset_valueChanged(int arg1);
    void on_spinBox_WF_CH2_Offset_valueChanged(int arg1);
    void on_spinBox_WF_CH3_Offset_valueChanged(int arg1);
    void on_spinBox_WF_CH4_Offset_valueChanged(int arg1);
    void on_pushButton_WF_Sel_Pos_clicked();
    void on_pushButton_WF_Sel_Spd_clicked();
    void on_pushButton_WF_Sel_Toq_clicked();
    void showDialValue(int value);
    // Waveform files.
    void waveDataSave();
    void waveDataSaveAs();
    void exportDocument();
    void on_waveDataImport_clicked();
    void importWaveData(QString sFilePath);
    // The spectrum window of the shown channels.
    void showSpectrum();

    // Faults.
    void on_comboBox_FaultCodeTest_currentIndexChanged(QString code);
    // Shows a fault or alarm code on the manual run and fault pages.
    void showFaultCode(quint16 code);
    // Asks the drive for its current fault when the link is free for it.
    void pollDriveFault();
    void saveFaultHistory();

public:
    // Identification.
    void readServoInfoFile(const QString &path);
    // The device information reply: `length` is the reply's length, the
    // entries are the (length - 6) / 6 six-byte entries at `reply`.
    void identifyDevice(const uint8_t *reply, int length);
    // Sets `sFileName` to the definition file of the model `sType`, when the
    // servo information table has it; returns 0 in both cases.
    int findFilebyTypeName(const QString &sType, QString &sFileName);
    // Replies 12 and 13: the EEPROM and default version stamps.
    void versionCheckReply(int index, const QByteArray &payload);
    const ServoInfoTable &servoInfo() const { return servoInfoTable; }
    QString deviceModelText() const { return deviceModel; }
    QString deviceVersionText() const { return deviceVersion; }
    QString deviceSerialText() const { return m_serialNumber; }
    const FaultHistory &faultHistory() const { return m_faultHistory; }
    QString definitionFileName() const { return paramFileName; }
    ParamLoadSelDialog *paramLoadDialog() const { return m_loadSelDialog; }
    ModelXmlList *modelXmlList() const { return m_xmlList; }

    // Marks the parameters that differ from their defaults and looks for the
    // model's reference set (after a read-all in compare mode).
    void compareWithModelDefaults();
    // The parameter comparison window: the drive against a file (read all
    // first), or two files; writing the ticked values and reading them back.
    void paramDiffWithDrive();
    void paramDiffFiles();
    void showDriveDiff();
    void paramDiffWrite(const QStringList &codes);
    void paramDiffReadBack();
    void finishParamDiffWrite();
    void paramDiffExport();
    // Parameter files: false, with the reason, when the file was not
    // written completely.
    bool writeParameterFile(const QString &path, QString *error = nullptr);

    ManualRunMachine &manualRun() { return *m_manualRun; }
    const WaveCapture &waveCapture() const { return m_wave; }
    bool isRecording() const { return waveRecording; }
    // The span between the waveform cursors A and B in seconds from the first
    // stored point, earliest first; false while the cursors are off.
    bool waveCursorSpan(double *from, double *to) const;
    // How far the plot's time 0 lies after the first stored point: the
    // trigger's time while a window around a trigger is shown, else 0.
    double waveTimeShift() const;
    // Where quick saves go: "vemar" under the user's documents folder.
    static QString quickSaveFolder();

    // --- Recording to disk (mainwindow_recording.cpp) ----------------------
    // The file the running capture records to; empty when none.
    QString recordingPath() const;
    // Opens a recording in a window of its own.
    void openRecording(const QString &path);
    RecordingView *recordingView() const;
    // Ends the capture, and with it the recording, `seconds` from now unless
    // it has ended before: what a trigger calls to keep its post-trigger time.
    void endRecordingAfter(double seconds);
    // A trigger came: with 触发后停止 ticked, the recording of this capture
    // ends its post-trigger time later (once, at the first trigger).
    void recordingSawTrigger();
    // A recording of this capture waits for its post-trigger time to end.
    bool recordingOutlastsShot() const;

    // Stops whatever the tool set moving (a capture, a JOG, the servo) and
    // calls `done` once the drive has answered, at most about a second
    // later, or at once when nothing runs or the link is down.
    void stopDriveThen(std::function<void()> done);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Closing stops the drive first; the window closes once it has answered.
    void closeEvent(QCloseEvent *event) override;

private:
    // --- Command layer (mainwindow_link.cpp) -----------------------------
    // Refuses with the critical box unless the link is up.
    bool linkReady();
    // Copies `payload` into the command's own buffer, points the record at it,
    // sets its lengths (request: payload + 6; reply: `rxLen` when given) and
    // queues it.
    void sendCommand(int index, const QByteArray &payload, int rxLen = -1);
    void ControlMode_Query();
    // Ends the stop begun by stopDriveThen once nothing it waits for is due.
    void checkDriveStopped();
    void finishDriveStop(bool confirmed);
    // A reply for the page that asked (records 1 to 6); the handler
    // acknowledges it.
    void pageReply(int index, const QByteArray &payload);
    void retranslateLinkTexts();
    void retranslatePageTexts();
    void showLamp(bool green);

    // --- Parameter page (mainwindow_params.cpp) ---------------------------
    void setupParamPage();
    void buildParamTree();
    void fitParamColumns();
    void appendParamRows(int group);
    void setDownloadHighlight(bool on);
    ParamRecord *paramAtRow(int row);
    // Reads a definition file in place of the loaded one, keeping the
    // values, marks and notes of every parameter it also defines, rebuilds
    // the pages and says what went wrong, if anything.
    void loadDefinitions(const QString &path);
    void reportDefinitionLoad(const QString &path, const DefinitionLoad &load);
    // What sending the next batch of a transfer came to: sent, nothing left
    // to send, or not sent (refused, reported, and the transfer ended).
    enum BatchResult { BatchSent, BatchNone, BatchFailed };
    void startReadAll(bool compare);
    void sendBatch(int cmd, const ParamTransfer::Request &request);
    BatchResult sendReadAllBatch();
    BatchResult sendReadSelectedBatch();
    BatchResult sendDownloadBatch();
    void finishDownload();
    // Ends any transfer: no busy flag, no marks, no codes, no comparison
    // left for the next one.
    void resetParamTransfer();
    // The link ended: transfers in flight end at once; a download cut short
    // offers to read back what may have reached the drive.
    void abortTransfersOnLinkLoss();
    // After an identification: reads back what a cut-short download may
    // have written, when the user asked for it.
    void readBackAfterReconnect();
    void readAllReply(const QByteArray &payload);
    void readSelectedReply(const QByteArray &payload);
    void downloadReply(const QByteArray &payload);
    // Shows only these parameters in the table (the comparison's result).
    void showParamCodes(const QStringList &codes);
    void appendParamRow(const ParamRecord &p);

    // --- Monitor page (mainwindow_monitor.cpp) -----------------------------
    void setupMonitorPage();
    void buildMonitorTable();
    void refreshMonitorValues();
    void startMonitorCycle();
    // Sends the next batch of the cycle; the number of codes it covers.
    int sendMonitorBatch();
    void monitorReply(const QByteArray &payload);

    // --- Monitor trend and log (mainwindow_trend.cpp) ----------------------
    void setupMonitorTrend();
    void retranslateMonitorTrend();
    void showMonitorLogState();
    // Ticks the trend's variables in a freshly built table.
    void markTrendRows();
    void monitorTickChanged(QTableWidgetItem *item);
    // A query cycle has ended: a point for each variable of the trend and a
    // line in the log, of the values the cycle read.
    void monitorCycleDone();
    void toggleMonitorLog(bool on);
    void clearTrend();
    void replotTrend();

    // --- Manual run (mainwindow_run.cpp) -----------------------------------
    void releaseJogSoon();
    friend class ManualRunPage;
    void setupRunPage();
    void manualRunEvent(ManualRunMachine::Source source, int event, bool locked);
    bool sendManualRunCommand(quint16 code, quint16 v1, quint16 v2, quint16 v3);
    void manualRunReply(const QByteArray &payload);
    void settingsReply(const QByteArray &payload);
    void showControlMode(quint16 mode);
    // The row names of the tuning result tables.
    void nameResultRows();
    // Line edits with a range: filtered while typed, checked when left.
    void registerRange(QLineEdit *edit, qint32 min, qint32 max);

    // --- Waveform (mainwindow_wave.cpp, mainwindow_wavefiles.cpp) -----------
    void setupWavePage();
    void fillChannelLists();
    void applyWaveSelection(int which);
    void startWaveRecording();
    void appendWaveBatch(const WaveCapture::Batch &batch);
    // Plots the sample sets still waiting below the batch threshold.
    void flushWaveBuffer();
    bool staleWaveData() const;
    // The link state changed to something other than up.
    void waveLinkDown(uint16_t state);
    void retranslateWavePage();
    void setupRecording();
    void retranslateRecording();
    // Starts the recording the switch asks for; false (told) when the file
    // cannot be written.
    bool startFileRecording();
    // Ends the recording with what was received; tells where it went.
    void finishFileRecording();
    void recordingFailed(const QString &reason);
    void chooseRecordingFile(bool on);
    void showRecordingOnPage(const WaveRecording::Samples &samples, qint64 from);
    // The name the points of a channel carry: the channel they were
    // captured or imported as, else what the channel list selects.
    QString waveName(int channel) const;
    void clearWavePoints();
    void redisplayChannel(int channel);
    void autoScaleValueAxis();
    void setWaveAxis(int axis, double lower, double upper);
    void zoomWithDial(QDial *dial, int value);
    void syncVerticalDial();
    void setCurveTitle(int channel);
    void toggleChannel(int channel);
    void changeScale(int channel, const QString &text);
    void changeOffset(int channel, int offset);
    QComboBox *channelList(int channel) const;
    QToolButton *channelButton(int channel) const;
    QComboBox *scaleList(int channel) const;
    QSpinBox *offsetBox(int channel) const;
    bool writeWaveFile(const QString &path, QString *error);
    // Refuses an import with a box while a capture runs.
    bool waveImportRefused();
    bool waveDropAllowed(const QEvent *event) const;
    // The spectrum button (mainwindow_spectrum.cpp).
    void setupSpectrumButton();
    void retranslateSpectrumButton();

    // --- Units, cursors and measurements (mainwindow_cursors.cpp) -----------
    void setupWaveMeasure();
    void retranslateWaveMeasure();
    void fillScaleLists();
    // Takes a scale list's text: units per division ("auto" or a step), or
    // in raw mode the raw x scale factor; false when it is neither.
    bool takeScaleText(int channel, const QString &text);
    QString scaleLegend(int channel) const;
    // The plotted value of a raw one: raw x this + offset.
    double plotScale(int channel) const;
    double unitsPerDivision(int channel) const;
    // Sets the value axis to the ten divisions of the per-division mode;
    // false in raw mode, whose axis follows the curves.
    bool divisionAxis();
    // The channel item of the quantity a channel's points are.
    WaveChannelRecord waveChannelItem(int channel) const;
    // Remembers the channel items of the points just captured or imported.
    void noteWaveChannels();
    void showWaveCursors(bool on);
    void moveTimeCursor(int which, double t);
    bool waveCursorEvent(QEvent *event);
    void placeLevelCursors();
    void refreshWaveReadout();
    QString waveTrackerText(const QPointF &pos) const;

    // --- Trigger (mainwindow_trigger.cpp) ------------------------------------
    void setupTrigger();
    void triggerSettingsChanged();
    // A trigger mode is armed: the plot shows windows around triggers.
    bool triggerActive() const;
    // Arms with the controls' settings, the window as wide as the time dial.
    void armTrigger();
    int triggerWindowSets() const;
    // A batch, or else `lostSets` lost sample sets, for the trigger.
    void feedTrigger(const WaveCapture::Batch *batch, int lostSets = 0);
    void showTriggerWindow(const WaveTrigger::Window &window);
    void placeTriggerMarkers();
    void showTriggerState();
    // The unit of one raw count of a channel, from the definition file.
    double waveCoefficient(int channel) const;

    // --- Identification (mainwindow_identify.cpp) ------------------------
    void startDefinitionTest();
    // How long a version check or factory reset waits for the drive's reply.
    static constexpr int kStampReplyMs = 1500;
    // The wait for reply 12 or 13; running while the user's request is out.
    QTimer *stampTimer(int index) const;
    void setupStampRequests();
    void stopStampRequests();
    // A definition file name from the servo information table must name a
    // file inside ParameterFile/; a name that does not is refused, with a
    // message the first time.
    bool definitionFileAllowed(const QString &model, const QString &fileName);

    // --- Faults (mainwindow_faults.cpp) -------------------------------------
    void setupFaultPage();
    void fillFaultTestList();
    void showFaultTexts(const QString &code, const FaultRecord *fault, bool runPage);
    // A fault code the drive reported: the displays, the link bar and the history.
    void driveFaultCode(quint16 code);
    // The link ended: the current fault is no longer known.
    void faultLinkEnded();
    void showFaultIndicator();
    void fillFaultHistoryTable();
    void retranslateFaultPage();
    // The link ended: no drive is identified any more.
    void clearIdentification();

    // --- Keyboard (mainwindow_keys.cpp) ------------------------------------
    void setupShortcuts();

    // --- Frame and settings (mainwindow.cpp) -----------------------------
    void readConfigIni();
    // Within the screens' room, as remembered in config.ini when that is on
    // a screen; saved again when the window closes.
    void placeWindow(const QRect &remembered, bool maximised);
    void saveWindowPlace();
    void fitPageList();
    void readAppSettings();
    void readVersionIni();
    void readPatchVer();
    void updateServoLabels();
    void stopWaveRecording();

    Ui::MainWindow *ui;

    // Link state.
    int isCommunicateSetUp = 0;
    QPixmap m_redLamp;
    QPixmap m_greenLamp;
    bool queryInfoOnParamPage = false;
    bool queryInfoAfterConnect = false;
    bool queryModeAfterReconnect = false;
    bool infoRequestedFromParamPage = false;
    bool paramTransferBusy = false;
    bool unQueryBusy = false;
    bool waveRecording = false;
    QString m_txText, m_rxText, m_erText;
    RequestBuffers m_txBuffers{};
    QList<PortScan::HidDevice> m_hidDevices;
    QTimer *m_scanTimer = nullptr;
    // Replies due per command: requests queued and not yet answered.
    std::array<int, Cmd::Count> m_awaiting{};
    struct DriveStop {
        bool active = false;
        bool confirmed = true;
        bool servoOff = false; // the stop switched the servo off
        QList<std::function<void()>> done;
        QTimer *deadline = nullptr;
    } m_stop;
    bool m_closeReady = false;
    // The engineer ended the link (disconnect, new connection, close): its
    // end is no news to tell in a box.
    bool m_linkEndAsked = false;
    int m_endCause = -1; // of the link that just ended, until its message
    struct LinkRequest {
        QString port;
        uint32_t baud = 0;
        uint8_t dataBits = 8, parity = 0, stopBits = 1;
    } m_lastLink;
    BusyWatchdog m_monitorWatchdog;
    BusyWatchdog m_transferWatchdog;

    // Settings and version.
    QString settingsPath;
    QString configTitle;
    bool waveformImport = false;
    bool showCommData = false;
    SettingsFiles::AppSettings m_appSettings;
    SettingsFiles::Version m_version;
    float m_samplePeriod = 0.001f;
    int m_sampleCapacity = 10000;

    // Definitions and the parameter page.
    Definitions defs;
    int currentGroup = 0;
    QStringList pendingCodes;
    int m_transferCmd = -1; // the command of the batch in flight
    QStringList m_readBackCodes;
    bool compareAfterRead = false;
    ParamDiffDialog *m_diffDialog = nullptr;
    bool m_diffAfterRead = false;         // a read-all for the comparison window
    QHash<QString, QString> m_diffFileValues;
    QString m_diffFileName;
    QHash<QString, QString> m_diffWritten; // written by the comparison window, to read back
    bool m_diffReadingBack = false;
    QString m_diffSummary;
    int successTotal = 0;
    int failTotal = 0;
    QStringList failDetails;
    bool m_downloadHighlight = false;
    QString m_downloadStyle;
    bool m_fillingTable = false;
    ParamInputDialog *m_inputDialog = nullptr;
    QString m_editingCode; // the parameter the input dialog was opened for

    // Monitor page.
    MonitorQuery m_monitorQuery;
    MonitorQuery::Batch m_monitorBatch;
    QTimer *m_unTimer = nullptr;
    int m_unAccumulatedMs = 0;
    int m_unPeriodMs = 0;
    QSet<QString> m_cycleCodes; // read by the cycle in progress
    // The trend: a curve per ticked variable, in the order they were ticked.
    struct TrendCurve {
        QString code;
        TrendSeries series;
        FastCurve *curve = nullptr;
    };
    QList<TrendCurve> m_trendCurves;
    QwtPlot *m_trendPlot = nullptr;
    QCheckBox *m_trendLogBox = nullptr;
    QLabel *m_trendLogLabel = nullptr;
    QPushButton *m_trendClearButton = nullptr;
    bool m_markingTrend = false;
    QElapsedTimer m_trendClock;
    MonitorLog m_monitorLog;
    QString m_logPath;
    QElapsedTimer m_logClock;

    // Manual run.
    std::unique_ptr<ManualRunPage> m_runView;
    std::unique_ptr<ManualRunMachine> m_manualRun;
    QTimer *m_runTimer = nullptr;
    QRecursiveMutex m_manualRunMutex;
    QObject *m_jogGuard = nullptr; // stops a JOG whose button cannot be released
    QMap<QLineEdit *, QPair<qint32, qint32>> m_ranges;
    quint16 m_faultCode = 0;

    // Faults.
    QTimer *m_faultTimer = nullptr;
    QPushButton *m_faultIndicator = nullptr; // on the link bar
    QGroupBox *m_faultHistoryBox = nullptr;
    QTableWidget *m_faultHistoryTable = nullptr;
    QPushButton *m_faultHistorySave = nullptr;
    FaultHistory m_faultHistory;
    HelpWindow *m_helpWindow = nullptr;

    // Waveform.
    WaveCapture m_wave;
    std::array<FastCurve *, WaveCapture::kChannels> m_curves{};
    std::array<QVector<QPointF>, WaveCapture::kChannels> m_display;
    std::array<WaveCapture::Span, WaveCapture::kChannels> m_displaySpan{};
    std::array<bool, WaveCapture::kChannels> m_shown{{true, true, true, true}};
    std::array<float, WaveCapture::kChannels> m_scale{{1, 1, 1, 1}};
    std::array<int, WaveCapture::kChannels> m_offset{};
    // What the stored points are: channel names, drive model and version.
    std::array<QString, WaveCapture::kChannels> m_waveNames;
    QString m_waveModel;
    QString m_waveVersion;
    int m_previousHorizontal = 0;
    WaveTrigger m_trigger;
    TriggerPanel *m_triggerPanel = nullptr;
    QwtPlotMarker *m_triggerTimeMarker = nullptr;
    QwtPlotMarker *m_triggerLevelMarker = nullptr;
    // The stored points are a window around a trigger, `m_triggerTime`
    // seconds after its first sample set; the curves show that as time 0.
    bool m_triggerShown = false;
    double m_triggerTime = 0;
    bool m_triggerFree = false; // the window shown came without a trigger
    int m_previousVertical = 0;
    QString m_waveIdleStyle;
    QPushButton *m_spectrumButton = nullptr;
    SpectrumDialog *m_spectrumDialog = nullptr;
    WaveScope m_scope;
    std::array<QString, WaveCapture::kChannels> m_waveKeys; // channel items of the points
    WaveRecorder *m_recorder = nullptr;
    QCheckBox *m_recordToFile = nullptr;
    QPushButton *m_openRecording = nullptr;
    QCheckBox *m_recordStopOnTrigger = nullptr; // end the recording a while after a trigger
    QSpinBox *m_recordPostTrigger = nullptr;    // that while, in seconds
    int m_recordStopCapture = -1;               // the capture whose end is already set
    QString m_recordTarget;   // where the next recording goes
    QString m_lastRecording;  // the recording made last
    int m_captureNumber = 0;  // tells one capture from the next
    QPointer<RecordingView> m_recordingView;

    // Identification and language.
    ServoInfoTable servoInfoTable;
    ParamLoadSelDialog *m_loadSelDialog = nullptr;
    ModelXmlList *m_xmlList = nullptr;
    std::array<QTimer *, 2> m_stampTimers{}; // commands 12 and 13
    QStringList m_loadInfo;   // what the load-source dialog shows
    QSet<QString> m_refusedFileNames; // definition file names already refused
    QString m_unknownKey;     // the key of an unknown drive, for its text
    QString deviceModel;
    QString deviceVersion;
    QString m_serialNumber;
    QLabel *m_serialLabel = nullptr;
    QString langCode;
    QString qmPath;
    QString paramFilePath;
    QString paramFileName;
    QTranslator *m_appTranslator;
    QTranslator *m_widgetsTranslator;
    QTranslator *m_qtTranslator;
};
