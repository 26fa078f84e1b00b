// The manual run page: servo on and off, JOG, the 500 ms poll, and the two
// tuning runs, all through the manual-run state machine.

#include "mainwindow/mainwindow.h"
#include "mainwindow/manualrunpage.h"
#include "ui_mainwindow.h"

#include "app/applog.h"
#include "definitions/codes.h"
#include "definitions/enumtext.h"
#include "dialogs/fittext.h"
#include "dialogs/prompt.h"

#include <QHeaderView>
#include <QMutexLocker>
#include <QTimer>

namespace {

const char kActiveOn[] = "QPushButton{background-color:rgb(50,255,50);}";
const char kActiveOff[] = "QPushButton{background-color:rgb(252,103,103);}";
const char kActiveTuning[] = "QPushButton{background-color:rgb(85,255,255);}";
const char kIdle[] = "QPushButton{background-color:qlineargradient(x1:0,y1:0,x2:0,y2:1,"
                     "stop:0 #f6f7fa, stop:1 #dadbde);border:1px solid #8f8f91;border-radius:4px;padding:4px;}";

void fillRow(QTableWidget *table, int row, const QStringList &texts)
{
    for (int c = 0; c < texts.size() && c < table->columnCount(); ++c) {
        auto *item = new QTableWidgetItem(texts.at(c));
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(row, c, item);
    }
}

QStringList wordsText(const std::array<quint16, 8> &words)
{
    QStringList texts;
    for (quint16 w : words)
        texts.append(QString::number(w));
    return texts;
}

// Stops a JOG whenever its button can no longer see the release: the focus
// went elsewhere, the button was hidden or disabled, or the window lost
// activation. Qt's buttons report most of these as a release already; this
// also covers a button held without the focus (pressed in a window that was
// not active) and the page being left. Watches the two JOG buttons and the
// main window.
class JogGuard : public QObject
{
public:
    JogGuard(QObject *parent, std::function<void()> release)
        : QObject(parent)
        , m_release(std::move(release))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::FocusOut:
        case QEvent::Hide:
        case QEvent::WindowDeactivate:
            m_release();
            break;
        case QEvent::EnabledChange:
            if (auto *widget = qobject_cast<QWidget *>(watched); widget && !widget->isEnabled())
                m_release();
            break;
        default:
            break;
        }
        return false;
    }

private:
    std::function<void()> m_release;
};

} // namespace

// --- The page as the state machine sees it ---------------------------------------

ManualRunPage::ManualRunPage(MainWindow *window)
: w(window)
{
}

bool ManualRunPage::send(quint16 code, quint16 v1, quint16 v2, quint16 v3)
{
    return w->sendManualRunCommand(code, v1, v2, v3);
}

void ManualRunPage::requestSettings()
{
    if (w->isCommunicateSetUp == 1)
        w->ControlMode_Query();
}

void ManualRunPage::setTimerRunning(bool running)
{
    if (running)
        w->m_runTimer->start();
    else
        w->m_runTimer->stop();
}

void ManualRunPage::setServoStyles(bool onActive, bool offActive)
{
    w->ui->pushButton_ManualRunServoON->setStyleSheet(QString::fromLatin1(onActive ? kActiveOn : kIdle));
    w->ui->pushButton_ManualRunServoOFF->setStyleSheet(QString::fromLatin1(offActive ? kActiveOff : kIdle));
}

void ManualRunPage::setEnabled(Control control, bool enabled)
{
    Ui::MainWindow *ui = w->ui;
    switch (control) {
    case ServoOnButton: ui->pushButton_ManualRunServoON->setEnabled(enabled); break;
    case ServoOffButton: ui->pushButton_ManualRunServoOFF->setEnabled(enabled); break;
    case CwButton: ui->pushButton_ManualRunRotateCW->setEnabled(enabled); break;
    case CcwButton: ui->pushButton_ManualRunRotateCCW->setEnabled(enabled); break;
    case QueryButton: ui->pushButton_ManualRun_Query->setEnabled(enabled); break;
    case InertiaButton: ui->pushButton_ManualRunInnerID->setEnabled(enabled); break;
    case MeasureButton: ui->pushButton_ManualRunAutoParamTest->setEnabled(enabled); break;
    case NextStepButton: ui->pushButton_ManualRunNextStep->setEnabled(enabled); break;
    case Sliders:
        ui->horizontalSlider->setEnabled(enabled);
        ui->horizontalSlider_2->setEnabled(enabled);
        break;
    }
}

void ManualRunPage::setInertiaButton(bool running)
{
    w->ui->pushButton_ManualRunInnerID->setText(running ? MainWindow::tr("识别中...") : MainWindow::tr("开始识别"));
    w->ui->pushButton_ManualRunInnerID->setStyleSheet(QString::fromLatin1(running ? kActiveTuning : kIdle));
}

void ManualRunPage::setMeasureButton(bool running)
{
    w->ui->pushButton_ManualRunAutoParamTest->setText(running ? MainWindow::tr("测量中...")
                                                              : MainWindow::tr("参数测量"));
    w->ui->pushButton_ManualRunAutoParamTest->setStyleSheet(QString::fromLatin1(running ? kActiveTuning : kIdle));
}

void ManualRunPage::showValues(const ManualRunReply *reply)
{
    Ui::MainWindow *ui = w->ui;
    const qint32 value = reply ? reply->value : 0;
    // The state's number with its name from the definition file, as plain text.
    ui->label_ManualRun_DriveState->setTextFormat(Qt::PlainText);
    ui->label_ManualRun_DriveState->setText(
        EnumText::withName(QString::number(reply ? reply->driveState : 0), EnumText::parse(w->defs.driveStates)));
    ui->label_ManualRun_Value->setText(QString::number(value));
    ui->horizontalSlider->setValue(value);
    ui->horizontalSlider_2->setValue(value);
}

void ManualRunPage::showInertiaResults(const ManualRunReply &reply)
{
    QTableWidget *table = w->ui->tableWidget_InertiaResult;
    auto set = [table](int row, const QString &text) {
        auto *item = new QTableWidgetItem(text);
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(row, 1, item);
    };
    set(0, QString::number(double(reply.inertiaRatio), 'f', 0));
    for (int i = 0; i < 4; ++i)
        set(i + 1, QString::number(double(reply.results[size_t(i)]), 'f', 1));
}

void ManualRunPage::showLevels(const LevelResults &levels)
{
    QTableWidget *table = w->ui->tableWidget_RigidityResult;
    table->setRowCount(levels.size());
    QTableWidget *vibration = w->ui->tableWidget_vibration_Data;
    vibration->setRowCount(levels.size());
    int row = 0;
    for (auto it = levels.cbegin(); it != levels.cend(); ++it, ++row) {
        fillRow(table, row, QStringList{QString::number(it.key())} + wordsText(it.value()));
        fillRow(vibration, row, {QString::number(it.key()), QString::number(it.value()[6])});
    }
}

void ManualRunPage::showLevelParams(const std::array<quint16, 8> &words)
{
    QTableWidget *table = w->ui->tableWidget_RigidityParam;
    const QStringList values = wordsText(words);
    for (int row = 0; row < table->rowCount() && row < values.size(); ++row) {
        auto *item = new QTableWidgetItem(values.at(row));
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(row, 1, item);
    }
}

void ManualRunPage::warn(const QString &title, const QString &text) { Prompt::warning(w, title, text); }

QMessageBox::StandardButton ManualRunPage::ask(const QString &title, const QString &text,
                                           QMessageBox::StandardButtons buttons)
{
    // The machine's questions carry line breaks and numbers only.
    return Prompt::information(w, title, Prompt::Rich{text}, buttons);
}

void ManualRunPage::pauseComm(bool paused) { emit w->commTestPause(paused); }

bool ManualRunPage::faultStops(quint16 code)
{
    auto it = w->defs.faultTable.constFind(QString::number(code));
    return it != w->defs.faultTable.constEnd() && it->FaultWarmOperate == QLatin1String("STOP");
}

bool ManualRunPage::inertiaRatioRange(qint64 *min, qint64 *max)
{
    // The parameter is found by its name, which the definition files of
    // every model give alike (per language).
    static const QStringList names = {QStringLiteral("负载惯量比"), QStringLiteral("Load inertia ratio")};
    for (const ParamGroup &group : w->defs.paramGroups) {
        for (const ParamRecord &p : group) {
            if (!names.contains(p.parametername.trimmed(), Qt::CaseInsensitive))
                continue;
            bool okMin = false, okMax = false;
            *min = p.MinValue.toLongLong(&okMin);
            *max = p.MaxValue.toLongLong(&okMax);
            return okMin && okMax && *min <= *max;
        }
    }
    return false;
}

ManualRunView::Inputs ManualRunPage::inputs()
{
    Inputs in;
    in.jogSpeed = quint16(w->ui->lineEdit_ManualRunSpdSet->text().toUInt());
    in.maxSpeed = quint16(w->ui->lineEdit_ManualRunInerMaxSpd->text().toUInt());
    in.revolutions = quint16(w->ui->lineEdit_ManualRunInerMoveCycle->text().toUInt());
    in.movementType = quint16(qMax(0, w->ui->comboBox_ManualRunMovementType->currentIndex()));
    return in;
}

// --- The page -------------------------------------------------------------------

void MainWindow::setupRunPage()
{
    m_runView = std::make_unique<ManualRunPage>(this);
    m_manualRun = std::make_unique<ManualRunMachine>(*m_runView);
    m_runTimer = new QTimer(this);
    m_runTimer->setObjectName(QStringLiteral("timer_ManualRun"));
    m_runTimer->setInterval(500);
    connect(m_runTimer, &QTimer::timeout, this, &MainWindow::ManualRun_PeriodTimerCB);
    connect(ui->lineEdit_ManualRunInerMoveCycle, &QLineEdit::textChanged, this, &MainWindow::ManualRun_SetSliderRange);

    registerRange(ui->lineEdit_ManualRunSpdSet, 0, 3000);
    registerRange(ui->lineEdit_ManualRunInerMoveCycle, 1, 20);
    registerRange(ui->lineEdit_ManualRunInerMaxSpd, 300, 2000);
    registerRange(ui->lineEdit_ManualRunPosMin, -999999999, 999999999);
    registerRange(ui->lineEdit_ManualRunPosMax, -999999999, 999999999);
    const auto positionRange = [this] {
        const int lo = ui->lineEdit_ManualRunPosMin->text().toInt();
        const int hi = ui->lineEdit_ManualRunPosMax->text().toInt();
        if (lo < hi)
            ui->horizontalSlider_2->setRange(lo, hi);
    };
    connect(ui->lineEdit_ManualRunPosMin, &QLineEdit::editingFinished, this, positionRange);
    connect(ui->lineEdit_ManualRunPosMax, &QLineEdit::editingFinished, this, positionRange);
    positionRange();
    ManualRun_SetSliderRange(ui->lineEdit_ManualRunInerMoveCycle->text());

    ui->tableWidget_InertiaResult->setRowCount(5);
    ui->tableWidget_RigidityParam->setRowCount(8);
    for (QTableWidget *table : {ui->tableWidget_InertiaResult, ui->tableWidget_RigidityParam,
                                ui->tableWidget_RigidityResult, ui->tableWidget_vibration_Data})
        FitText::fitColumns(table);
    nameResultRows();

    m_runView->setServoStyles(false, false);
    m_runView->setInertiaButton(false);
    m_runView->setMeasureButton(false);
    for (ManualRunView::Control c :
         {ManualRunView::ServoOnButton, ManualRunView::ServoOffButton, ManualRunView::CwButton, ManualRunView::CcwButton,
          ManualRunView::QueryButton, ManualRunView::InertiaButton, ManualRunView::MeasureButton,
          ManualRunView::NextStepButton})
        m_runView->setEnabled(c, false);
    ui->stackedWidget_MaunalRun->setCurrentIndex(0);

    m_jogGuard = new JogGuard(this, [this] { releaseJogSoon(); });
    ui->pushButton_ManualRunRotateCW->installEventFilter(m_jogGuard);
    ui->pushButton_ManualRunRotateCCW->installEventFilter(m_jogGuard);
    installEventFilter(m_jogGuard);
    connect(ui->stackedWidget, &QStackedWidget::currentChanged, this, [this](int page) {
        if (page != RunPage)
            releaseJogSoon();
    });
}

void MainWindow::releaseJogSoon()
{
    // Queued: these events also come from inside the state machine (a
    // button it disables, a box that takes the focus).
    QTimer::singleShot(0, this, [this] {
        if (m_manualRun->jogging())
            manualRunEvent(ManualRunMachine::User, ManualRunMachine::CwReleased, true);
    });
}

void MainWindow::nameResultRows()
{
    // Column 0 names the rows; the results in column 1 stay.
    auto name = [](QTableWidget *table, int row, const QString &text) {
        auto *item = new QTableWidgetItem(text);
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(row, 0, item);
    };
    const QStringList items = {tr("负载惯量比(%)"), tr("摩擦转矩(%)"), tr("粘滞系数"), tr("最大转矩(%)"), tr("识别误差(%)")};
    for (int row = 0; row < items.size(); ++row)
        name(ui->tableWidget_InertiaResult, row, items.at(row));
    for (int c = 1; c < ui->tableWidget_RigidityResult->columnCount(); ++c)
        name(ui->tableWidget_RigidityParam, c - 1, ui->tableWidget_RigidityResult->horizontalHeaderItem(c)->text());
}

void MainWindow::registerRange(QLineEdit *edit, qint32 min, qint32 max)
{
    m_ranges.insert(edit, qMakePair(min, max));
    connect(edit, &QLineEdit::textEdited, this, [this, edit](const QString &text) {
        const auto range = m_ranges.value(edit);
        const QString filtered = Codes::filterEntry(text, range.first, range.second);
        if (filtered != text)
            edit->setText(filtered);
    });
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
        const auto range = m_ranges.value(edit);
        const Codes::MinimumCheck check = Codes::checkMinimum(edit->text(), range.first);
        if (check == Codes::MinimumCheck::Ok)
            return;
        edit->setText(QString::number(range.first));
        Prompt::warning(this, tr("设置异常"),
                        check == Codes::MinimumCheck::Empty ? tr("数值为空!") : tr("低于下限值!"));
    });
}

bool MainWindow::sendManualRunCommand(quint16 code, quint16 v1, quint16 v2, quint16 v3)
{
    static const quint16 known[] = {0x0001, 0x0002, 0x0004, 0x0008, 0x0010, 0x0018, 0x0020, 0x0040, 0x0080, 0x0100};
    if (!linkReady())
        return false;
    if (std::find(std::begin(known), std::end(known), code) == std::end(known)) {
        emit showWrongSet(tr("参数错误，手动运行界面通信命令未发送！"));
        return false;
    }
    QByteArray payload(8, '\0');
    const quint16 words[4] = {code, v1, v2, v3};
    for (int i = 0; i < 4; ++i) {
        payload[2 * i] = char(words[i] >> 8);
        payload[2 * i + 1] = char(words[i] & 0xFF);
    }
    sendCommand(Cmd::ManualRun, payload);
    return true;
}

void MainWindow::manualRunEvent(ManualRunMachine::Source source, int event, bool locked)
{
    if (!locked) {
        m_manualRun->handle(source, event);
        return;
    }
    // A press and the poll tick never interleave inside the machine.
    QMutexLocker lock(&m_manualRunMutex);
    m_manualRun->handle(source, event);
}

void MainWindow::manualRunReply(const QByteArray &payload)
{
    qCDebug(lcWindow) << "读取手动运行数据收到下位机应答";
    // The worker is released first: a warning or question the reply brings
    // must not hold the link (the servo off it may send, the keep-alive).
    emit funcEnd();
    m_manualRun->reply().decode(payload);
    m_manualRun->replyArrived();
    if (payload.size() >= 10)
        driveFaultCode(m_manualRun->reply().faultCode);
    manualRunEvent(ManualRunMachine::Link, ManualRunMachine::DataReply, false);
}

void MainWindow::showControlMode(quint16 mode)
{
    if (mode == 0) {
        ui->label_ManualRun_Mode->setText(QStringLiteral("--"));
        return;
    }
    ui->label_ManualRun_Mode->setText(mode == 1   ? tr("位置模式")
                                      : mode == 2 ? tr("速度模式")
                                      : mode == 3 ? tr("转矩模式")
                                                  : tr("模式%1").arg(mode));
}

void MainWindow::settingsReply(const QByteArray &payload)
{
    const auto word = [&payload](int i) { return quint16(uint8_t(payload.at(2 * i)) << 8 | uint8_t(payload.at(2 * i + 1))); };
    const int words = payload.size() / 2;
    if (words >= 5) {
        const quint16 mode = word(4);
        m_manualRun->setControlMode(mode);
        showControlMode(mode);
    }
    if (m_manualRun->takeFillSettings()) {
        if (words >= 1)
            ui->lineEdit_ManualRunSpdSet->setText(QString::number(word(0)));
        if (words >= 2)
            ui->lineEdit_ManualRunInerMoveCycle->setText(QString::number(word(1)));
        if (words >= 3)
            ui->lineEdit_ManualRunInerMaxSpd->setText(QString::number(word(2)));
        if (words >= 4) {
            const int last = ui->comboBox_ManualRunMovementType->count() - 1;
            ui->comboBox_ManualRunMovementType->setCurrentIndex(qMin<int>(word(3), last));
        }
    }
    emit funcEnd();
}

void MainWindow::on_pushButton_ManualRunServoON_clicked()
{
    if (!linkReady())
        return;
    const int maxSpeed = ui->lineEdit_ManualRunInerMaxSpd->text().toInt();
    const int revolutions = ui->lineEdit_ManualRunInerMoveCycle->text().toInt();
    if (maxSpeed <= 299 || revolutions <= 0) {
        Prompt::warning(this, tr("输入范围异常"),
                        tr("惯量识别参数\"移动圈数\"或\"最高转速\"下限值异常！"));
        return;
    }
    const auto answer = Prompt::warning(this, tr("确定运行？"),
                                        Prompt::Rich{tr("点击“确定”后伺服将处于通电运行状态!<br/>请确保机械行程及人身安全，避免发生危险！")},
                                        QMessageBox::Ok | QMessageBox::Cancel);
    if (answer == QMessageBox::Ok)
        manualRunEvent(ManualRunMachine::User, ManualRunMachine::ServoOn, true);
}

void MainWindow::on_pushButton_ManualRunServoOFF_clicked()
{
    if (linkReady())
        manualRunEvent(ManualRunMachine::User, ManualRunMachine::ServoOff, true);
}

void MainWindow::on_pushButton_ManualRunRotateCW_pressed()
{
    manualRunEvent(ManualRunMachine::User, ManualRunMachine::CwPressed, true);
}

void MainWindow::on_pushButton_ManualRunRotateCW_released()
{
    manualRunEvent(ManualRunMachine::User, ManualRunMachine::CwReleased, true);
}

void MainWindow::on_pushButton_ManualRunRotateCCW_pressed()
{
    manualRunEvent(ManualRunMachine::User, ManualRunMachine::CcwPressed, true);
}

void MainWindow::on_pushButton_ManualRunRotateCCW_released()
{
    manualRunEvent(ManualRunMachine::User, ManualRunMachine::CcwReleased, true);
}

void MainWindow::on_pushButton_ManualRunInnerID_clicked()
{
    qCDebug(lcWindow) << "点击了惯量识别按钮";
    if (!linkReady())
        return;
    if (m_manualRun->controlMode() != 1) {
        Prompt::warning(this, tr("无法进行惯量识别"), tr("原因：惯量识别仅在位置模式下有效！"));
        return;
    }
    manualRunEvent(ManualRunMachine::User, ManualRunMachine::InertiaIdentification, true);
}

void MainWindow::on_pushButton_ManualRunAutoParamTest_clicked()
{
    qCDebug(lcWindow) << "点击了自动参数测量按钮";
    if (!linkReady())
        return;
    if (m_manualRun->controlMode() != 1) {
        Prompt::warning(this, tr("无法进行惯量识别"), tr("原因：惯量识别仅在位置模式下有效！"));
        return;
    }
    manualRunEvent(ManualRunMachine::User, ManualRunMachine::AutoMeasurement, true);
}

void MainWindow::ManualRun_PeriodTimerCB()
{
    if (isCommunicateSetUp == 1 && ui->stackedWidget->currentIndex() == RunPage)
        manualRunEvent(ManualRunMachine::Timer, ManualRunMachine::Tick, false);
}

void MainWindow::on_pushButton_ManualRun_Query_clicked()
{
    if (!m_manualRun->replyPending())
        sendManualRunCommand(ManualRunMachine::ReadData, 0, 0, 0);
}

void MainWindow::on_pushButton_ManualRunNextStep_clicked()
{
    ui->stackedWidget_MaunalRun->setCurrentIndex(1);
}

void MainWindow::on_pushButton_3_clicked()
{
    ui->stackedWidget_MaunalRun->setCurrentIndex(0);
}

void MainWindow::ManualRun_SetSliderRange(QString revolutions)
{
    bool ok = false;
    const int turns = revolutions.toInt(&ok);
    if (!ok)
        return;
    const int range = turns == 0 ? 20000 : turns * 10000;
    ui->horizontalSlider->setRange(-range, range);
}
