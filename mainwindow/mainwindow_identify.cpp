// Which drive is connected: the servo information table, the decoding of the
// drive's identification, the switch to the model's definition file, the
// parameter load-source dialog, the EEPROM version check and the
// definition-file test mode.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/applog.h"
#include "dialogs/modelxmllist.h"
#include "dialogs/paramloadseldialog.h"
#include "dialogs/prompt.h"

#include <QAction>
#include <QDir>
#include <QStatusBar>
#include <QTimer>

void MainWindow::readServoInfoFile(const QString &path)
{
    const int rows = ServoInfo::readFile(path, servoInfoTable);
    qCDebug(lcWindow) << "servo information rows:" << rows << "from" << path;
}

void MainWindow::identifyDevice(const uint8_t *reply, int length)
{
    const ServoInfo::Identity id = ServoInfo::decodeReply(reply, length);
    const QString key = id.key();
    QString shownModel;
    const auto row = servoInfoTable.constFind(key);
    // The definitions are read again only when the model needs another file;
    // then the values read and edited so far stay with every parameter the
    // new file also defines.
    QString fileName = QStringLiteral("Parameter.xml");
    if (row != servoInfoTable.constEnd()) {
        deviceModel = row->ServoInfo;
        shownModel = row->ServoInfo;
        m_unknownKey.clear();
        if (definitionFileAllowed(row->ServoInfo, row->XMLfileName))
            fileName = row->XMLfileName;
        else
            fileName = paramFileName;
    } else {
        shownModel = tr("未知型号，机型代码:%1").arg(key);
        m_unknownKey = key;
        deviceModel = QStringLiteral("Unknown Device(Code:%1)").arg(key);
    }
    if (fileName != paramFileName) {
        paramFileName = fileName;
        reloadDefinitions();
    }
    deviceVersion = id.version();
    qCDebug(lcWindow) << "SNs:" << id.serialNumber;
    // The drive pads a shorter serial number with zero bytes or spaces; what
    // is shown and written to files is its printable part.
    m_serialNumber.clear();
    for (const QChar c : id.serialNumber)
        if (c.isPrint())
            m_serialNumber.append(c);
    m_serialNumber = m_serialNumber.trimmed();
    updateServoLabels();
    emit deviceInfoChanged(deviceModel, deviceVersion, m_serialNumber);

    m_loadInfo = QStringList{shownModel, id.plainVersion(), m_serialNumber, QStringLiteral("MX70K-06420S-R3C")};
    if (!m_loadSelDialog) {
        m_loadSelDialog = new ParamLoadSelDialog(this);
        connect(m_loadSelDialog, &ParamLoadSelDialog::paramSrcSel, this, &MainWindow::paramLoadSrcSet);
        connect(m_loadSelDialog, &QDialog::rejected, this, &MainWindow::paramLoadClose);
    }
    m_loadSelDialog->setDeviceInfo(m_loadInfo);
    if (infoRequestedFromParamPage) {
        infoRequestedFromParamPage = false;
        m_loadSelDialog->show();
    }
    readBackAfterReconnect();
}

void MainWindow::clearIdentification()
{
    // Whatever drive comes next is identified afresh; until then the labels
    // and the about box name none, and exported files carry no model.
    deviceModel.clear();
    deviceVersion.clear();
    m_serialNumber.clear();
    updateServoLabels();
    emit deviceInfoChanged(QString(), QString(), QString());
}

bool MainWindow::definitionFileAllowed(const QString &model, const QString &fileName)
{
    if (ServoInfo::definitionFileNameAllowed(fileName))
        return true;
    qCWarning(lcWindow) << "definition file name refused:" << fileName;
    // Said once: every connect identifies the drive again.
    if (m_refusedFileNames.contains(fileName))
        return false;
    m_refusedFileNames.insert(fileName);
    Prompt::warning(this, tr("参数定义文件"),
                    tr("伺服信息表中的参数定义文件名无效，未载入。") + QLatin1Char('\n')
                        + tr("文件名必须是ParameterFile文件夹中的文件，不能含路径分隔符或“..”。") + QLatin1Char('\n')
                        + tr("机型：%1").arg(model) + QLatin1Char('\n') + tr("文件名：%1").arg(fileName));
    return false;
}

void MainWindow::versionCheckReply(int index, const QByteArray &payload)
{
    // A reply the user waits for stops its wait; one that comes after the
    // user was told the drive did not answer gets only the warnings.
    QTimer *wait = stampTimer(index);
    const bool asked = wait && wait->isActive();
    if (wait)
        wait->stop();
    const ServoInfo::VersionStamps stamps =
        ServoInfo::decodeStamps(reinterpret_cast<const uint8_t *>(payload.constData()), payload.size());
    if (index == Cmd::VersionCheck1) {
        if (!stamps.mismatch()) {
            if (asked)
                Prompt::information(this, tr("检查EEPROM版本"), tr("EEPROM版本一致"));
            return;
        }
        qCDebug(lcWindow) << "EepromVer:" << stamps.eeprom << "DefaultVer:" << stamps.defaults
                          << "length1 = " << stamps.length1 << "length2 = " << stamps.length2;
        Prompt::warning(this, tr("EEPROM版本不一致"), tr("请点击恢复出厂设置"));
    } else if (stamps.resetRefused()) {
        Prompt::warning(this, tr("无法进行恢复出厂设置操作"), tr("请确认机器是否处于运行中！"));
    } else if (asked) {
        // The drive holds its defaults now; the table shows them once read.
        statusBar()->showMessage(tr("已恢复出厂设置，正在重新读取参数"));
        on_pushButton_ReadAllParam_clicked();
    }
}

void MainWindow::EepromVersion_Query()
{
    if (!linkReady() || stampTimer(Cmd::VersionCheck1)->isActive())
        return;
    stampTimer(Cmd::VersionCheck1)->start();
    sendCommand(Cmd::VersionCheck1, QByteArray(2, '\0'));
}

void MainWindow::FactoryReset_Request()
{
    if (!linkReady() || stampTimer(Cmd::VersionCheck2)->isActive())
        return;
    // A running motor must not get other parameters under it, and a transfer
    // in flight would mix the drive's values with the defaults.
    if (m_manualRun->state() != ManualRunMachine::ServoOffState) {
        Prompt::warning(this, tr("无法进行恢复出厂设置操作"), tr("请先关闭伺服！"));
        return;
    }
    if (paramTransferBusy) {
        Prompt::warning(this, tr("无法进行恢复出厂设置操作"), tr("参数传输进行中，请稍后再试！"));
        return;
    }
    Prompt::Box confirm;
    confirm.icon = Prompt::Icon::Question;
    confirm.title = tr("恢复出厂设置");
    confirm.text = tr("驱动器的全部参数将恢复为出厂默认值，当前参数值将丢失。确定恢复出厂设置吗？");
    confirm.buttons = QMessageBox::Yes | QMessageBox::No;
    confirm.defaultButton = QMessageBox::No; // nothing is lost by a hasty Enter
    if (Prompt::show(this, confirm) != QMessageBox::Yes)
        return;
    stampTimer(Cmd::VersionCheck2)->start();
    sendCommand(Cmd::VersionCheck2, QByteArray(2, '\0'));
}

QTimer *MainWindow::stampTimer(int index) const
{
    const int at = index - Cmd::VersionCheck1;
    return at >= 0 && at < int(m_stampTimers.size()) ? m_stampTimers[size_t(at)] : nullptr;
}

void MainWindow::setupStampRequests()
{
    connect(ui->actionEepromCheck, &QAction::triggered, this, &MainWindow::EepromVersion_Query);
    connect(ui->actionFactoryReset, &QAction::triggered, this, &MainWindow::FactoryReset_Request);
    for (int index : {int(Cmd::VersionCheck1), int(Cmd::VersionCheck2)}) {
        auto *wait = new QTimer(this);
        wait->setSingleShot(true);
        wait->setInterval(kStampReplyMs);
        // Drives without these commands stay silent; the user hears so, and
        // the next request may go out.
        connect(wait, &QTimer::timeout, this, [this, index] {
            Prompt::warning(this, index == Cmd::VersionCheck1 ? tr("检查EEPROM版本") : tr("恢复出厂设置"),
                            tr("驱动器没有应答。"));
        });
        m_stampTimers[size_t(index - Cmd::VersionCheck1)] = wait;
    }
}

void MainWindow::stopStampRequests()
{
    // With the link gone no reply comes; the worker's own message says so.
    for (QTimer *wait : m_stampTimers)
        wait->stop();
}

int MainWindow::findFilebyTypeName(const QString &sType, QString &sFileName)
{
    for (const ServoInfoRecord &row : qAsConst(servoInfoTable)) {
        if (row.ServoInfo == sType) {
            if (definitionFileAllowed(row.ServoInfo, row.XMLfileName))
                sFileName = row.XMLfileName;
            break;
        }
    }
    return 0;
}

// --- Parameter load source -------------------------------------------------

void MainWindow::paramLoadSrcSet(int source)
{
    switch (source) {
    case ParamLoadSelDialog::FromServo:
        on_pushButton_ReadAllParam_clicked();
        break;
    case ParamLoadSelDialog::FromFile:
        on_pushButton_paramImportFile_clicked();
        break;
    default:
        break;
    }
    paramLoadClose();
}

void MainWindow::paramLoadClose()
{
    if (m_loadSelDialog) {
        m_loadSelDialog->deleteLater();
        m_loadSelDialog = nullptr;
    }
}

// --- Definition-file test mode ---------------------------------------------

void MainWindow::startDefinitionTest()
{
    const QStringList found = ModelXmlList::findXmlFiles(QStringLiteral("."));
    qCDebug(lcWindow) << "找到文件" << found;
    if (!m_xmlList) {
        m_xmlList = new ModelXmlList(this);
        connect(m_xmlList, &ModelXmlList::selectFiles, this, &MainWindow::xmlTest_SelectFile);
    }
    m_xmlList->setFiles(ModelXmlList::definitionFiles(found));
    m_xmlList->show();
}

void MainWindow::xmlTest_SelectFile(QString name)
{
    qCDebug(lcWindow) << "test definition file" << name;
    loadDefinitions(QStringLiteral("ParameterFile/%1").arg(name));
}
