// The parameter page: group tree, parameter table, detail list, value entry,
// and the transfers between the table and the drive.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/applog.h"
#include "definitions/codes.h"
#include "definitions/enumtext.h"
#include "definitions/paramruntime.h"
#include "dialogs/paraminputdialog.h"
#include "dialogs/prompt.h"
#include "mainwindow/paramtransfer.h"

#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QTextDocument>
#include <QToolTip>

namespace {

enum Column { ColCheck, ColCode, ColKey, ColName, ColActive, ColModify, ColPst, ColValue, ColUnit, ColChange, ColCount };

const QColor kChangedColour(252, 222, 156);

const char kOrangeStyle[] = " QPushButton {\nborder: 1px solid #8f8f91;\nborder-radius: 6px;\n"
                            "background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,\n"
                            "stop: 0 #FF7F27, stop: 1 #FFAF57);\ntext-align:left;}\n"
                            "QPushButton:pressed {\nbackground-color: #CDE4F6;\n}\n"
                            "QPushButton:hover { background-color:rgb(229, 241, 251);}\n"
                            "QPushButton:pressed { background-color: rgb(85, 255, 255);}";

} // namespace

void MainWindow::setupParamPage()
{
    QTreeWidget *tree = ui->treeWidget_ParamGroup;
    QTableWidget *table = ui->tableWidget_Param;
    connect(tree, &QTreeWidget::itemClicked, this, &MainWindow::paramGrpClickSlot);
    tree->setMouseTracking(true);
    connect(tree, &QTreeWidget::entered, this, &MainWindow::ShowTooltip);

    ui->splitter_param->setStretchFactor(0, 0);
    ui->splitter_param->setStretchFactor(1, 1);
    ui->splitter_paramTable->setStretchFactor(0, 5);
    ui->splitter_paramTable->setStretchFactor(1, 1);
    ui->splitter_paramTable->setSizes({700, 120});

    table->setColumnCount(ColCount);
    table->horizontalHeader()->setStyleSheet(QStringLiteral("QHeaderView::section{background:rgb(100,180,180);}"));
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table->horizontalHeader(), &QWidget::customContextMenuRequested, this, &MainWindow::paramTableMenuAck);
    connect(table, &QTableWidget::doubleClicked, this, &MainWindow::paramTable_SetValue);
    connect(table, &QTableWidget::cellClicked, this, &MainWindow::paramTable_itemChange);
    // A check box toggled from the keyboard is remembered as well.
    connect(table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (m_fillingTable || item->column() != ColCheck)
            return;
        if (ParamRecord *p = paramAtRow(item->row())) {
            if (item->checkState() == Qt::Checked)
                p->state |= ParamState::Checked;
            else
                p->state &= quint16(~ParamState::Checked);
        }
    });
    // The model and version labels show names from the servo information
    // table and the drive: plain text, never markup.
    ui->label_ServoType->setTextFormat(Qt::PlainText);
    ui->label_ServoVer->setTextFormat(Qt::PlainText);
    table->setColumnHidden(ColKey, true);
    table->setColumnHidden(ColPst, true);
    table->setRowCount(0);
    currentGroup = 0;
    m_downloadStyle = ui->pushButton_DownLoadParam->styleSheet();
    paramTransferBusy = false;
    buildParamTree();

    m_inputDialog = new ParamInputDialog(this);
    connect(m_inputDialog, &ParamInputDialog::sendBackSetupValue, this, &MainWindow::SaveParamBack);
}

void MainWindow::fitParamColumns()
{
    // Each column as wide as its heading and the longest text it shows in
    // any group, so that the columns stay put when the group changes. Names
    // are by far the longest: theirs is capped, and a name cut short shows
    // whole as its tooltip.
    QTableWidget *table = ui->tableWidget_Param;
    static const int kMinimum[ColCount] = {50, 70, 50, 200, 60, 60, 60, 100, 60, 100};
    const int kNameCap = 240;
    const QFontMetrics heads(table->horizontalHeader()->font());
    const QFontMetrics cells(table->font());
    int widths[ColCount];
    for (int c = 0; c < ColCount; ++c) {
        const QTableWidgetItem *heading = table->horizontalHeaderItem(c);
        widths[c] = qMax(kMinimum[c], heading ? heads.horizontalAdvance(heading->text()) + 20 : 0);
    }
    const int nameHeading = widths[ColName];
    for (const ParamGroup &group : defs.paramGroups) {
        for (const ParamRecord &p : group) {
            const std::pair<Column, QString> texts[] = {{ColCode, p.ParameterIndex}, {ColName, p.parametername},
                                                        {ColActive, p.ActiveTime},   {ColModify, p.ModifyTime},
                                                        {ColUnit, p.Uint}};
            for (const auto &t : texts)
                widths[t.first] = qMax(widths[t.first], cells.horizontalAdvance(t.second) + 16);
        }
    }
    widths[ColName] = qMax(nameHeading, qMin(widths[ColName], kNameCap));
    for (int c = 0; c < ColCount - 1; ++c)
        table->setColumnWidth(c, widths[c]);
}

void MainWindow::buildParamTree()
{
    QTreeWidget *tree = ui->treeWidget_ParamGroup;
    tree->clear();
    auto *top = new QTreeWidgetItem(tree, QStringList(tr("全部参数")));
    QTreeWidgetItem *shown = currentGroup == ParamTransfer::kAllGroups ? top : nullptr;
    for (auto it = defs.groupMembers.cbegin(); it != defs.groupMembers.cend(); ++it) {
        auto *item = new QTreeWidgetItem(top, QStringList(it.key()));
        if (!shown && it.value() == currentGroup)
            shown = item;
    }
    tree->expandAll();
    // Whole group names: the tree is at least as wide as the longest.
    const QModelIndex all = tree->model()->index(0, 0);
    int widest = tree->sizeHintForIndex(all).width();
    for (int row = 0; row < tree->model()->rowCount(all); ++row)
        widest = qMax(widest, tree->sizeHintForIndex(tree->model()->index(row, 0, all)).width() + tree->indentation());
    tree->setMinimumWidth(widest + tree->indentation() + 2 * tree->frameWidth()
                          + tree->verticalScrollBar()->sizeHint().width());
    fitParamColumns();
    // The group on show stays when the new definitions have it; otherwise
    // group 0. Either way the transfers act on what the table shows.
    if (!shown)
        currentGroup = 0;
    else
        tree->setCurrentItem(shown);
    refreshParamTable(currentGroup);
    const ParamRecord *first = paramAtRow(0);
    if (first && !first->Detial.isEmpty())
        ui->listWidget_ParamDetail->addItems(first->Detial.split(QLatin1Char('\n')));
}

void MainWindow::paramGrpClickSlot(QTreeWidgetItem *item, int column)
{
    qCDebug(lcWindow) << "item click" << item->text(0) << " column:" << column;
    int group = 0;
    if (!item->parent()) {
        group = ParamTransfer::kAllGroups;
        qCDebug(lcWindow) << "click top level item";
    } else {
        group = defs.groupMembers.value(item->text(0), 0);
    }
    qCDebug(lcWindow) << "at paramGroup:" << group;
    currentGroup = group;
    refreshParamTable(currentGroup);
}

void MainWindow::ShowTooltip(QModelIndex index)
{
    // A group title from the definition file, shown as the plain text it is.
    QToolTip::showText(QCursor::pos(), Qt::convertFromPlainText(index.data().toString()));
}

void MainWindow::refreshParamTable(int group)
{
    QTableWidget *table = ui->tableWidget_Param;
    m_fillingTable = true;
    table->setUpdatesEnabled(false);
    table->setRowCount(0);
    ui->listWidget_ParamDetail->clear();
    m_downloadHighlight = false;
    if (group < ParamTransfer::kAllGroups) {
        if (group >= 0 && group < Definitions::kParamGroups)
            appendParamRows(group);
    } else {
        for (int g = 0; g < Definitions::kParamGroups; ++g)
            appendParamRows(g);
    }
    // Values are known only once read: their column grows to the longest shown.
    const int valueWidth = table->columnWidth(ColValue);
    table->resizeColumnToContents(ColValue);
    table->setColumnWidth(ColValue, qMax(valueWidth, table->columnWidth(ColValue)));
    table->setUpdatesEnabled(true);
    m_fillingTable = false;
    setDownloadHighlight(m_downloadHighlight);
}

void MainWindow::appendParamRows(int group)
{
    for (const ParamRecord &p : defs.paramGroups[size_t(group)])
        appendParamRow(p);
}

void MainWindow::appendParamRow(const ParamRecord &p)
{
    QTableWidget *table = ui->tableWidget_Param;
    static const QIcon success(QStringLiteral(":/pic/success.png"));
    static const QIcon error(QStringLiteral(":/pic/error.png"));
    const bool filling = m_fillingTable;
    m_fillingTable = true;
    const int row = table->rowCount();
    table->insertRow(row);
    const QString texts[ColCount] = {QString(),    p.ParameterIndex, p.ParameterIndex, p.parametername,
                                     p.ActiveTime, p.ModifyTime,     QStringLiteral("PST"),
                                     EnumText::withName(p.currentValue, EnumText::parse(p.Detial)),
                                     p.Uint,       p.changeText};
    const bool changed = (p.state & ParamState::Changed) && !p.changeText.isEmpty();
    for (int c = 0; c < ColCount; ++c) {
        auto *item = new QTableWidgetItem(texts[c]);
        if (c != ColName)
            item->setTextAlignment(Qt::AlignCenter);
        else
            item->setToolTip(Qt::convertFromPlainText(texts[c]));
        // A value shown with its name may not fit the column: the whole
        // text, from the definition file, is the tooltip (as plain text).
        if (c == ColValue && texts[c] != p.currentValue)
            item->setToolTip(Qt::convertFromPlainText(texts[c]));
        if (changed)
            item->setBackground(kChangedColour);
        if (c == ColCheck) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState((p.state & ParamState::Checked) ? Qt::Checked : Qt::Unchecked);
            const quint16 result = p.state & 0x0380;
            if (result == ParamState::WriteOk)
                item->setIcon(success);
            else if (result == ParamState::WriteFailed)
                item->setIcon(error);
        }
        table->setItem(row, c, item);
    }
    if (changed)
        m_downloadHighlight = true;
    m_fillingTable = filling;
}

void MainWindow::setDownloadHighlight(bool on)
{
    if (on)
        ui->pushButton_DownLoadParam->setStyleSheet(QString::fromUtf8(kOrangeStyle));
    else if (!m_downloadStyle.isEmpty())
        ui->pushButton_DownLoadParam->setStyleSheet(m_downloadStyle);
    else
        ui->pushButton_DownLoadParam->setStyleSheet(QString());
}

ParamRecord *MainWindow::paramAtRow(int row)
{
    QTableWidgetItem *key = ui->tableWidget_Param->item(row, ColKey);
    return key ? defs.findParam(key->text()) : nullptr;
}

void MainWindow::paramTable_itemChange(int row, int column)
{
    ParamRecord *p = paramAtRow(row);
    if (!p) {
        qCDebug(lcWindow) << "Error! null poniter!!!";
        return;
    }
    ui->listWidget_ParamDetail->clear();
    if (!p->Detial.isEmpty())
        ui->listWidget_ParamDetail->addItems(p->Detial.split(QLatin1Char('\n')));
    if (column == ColCheck) {
        if (ui->tableWidget_Param->item(row, ColCheck)->checkState() == Qt::Checked)
            p->state |= ParamState::Checked;
        else
            p->state &= quint16(~ParamState::Checked);
    }
}

void MainWindow::paramTable_SetValue(QModelIndex index)
{
    qCDebug(lcWindow) << "index row:" << index.row() << "value:" << index.data().toString();
    const ParamRecord *p = paramAtRow(index.row());
    if (!p)
        return;
    m_editingCode = p->ParameterIndex;
    m_inputDialog->setParamInfo({p->parametername, p->MinValue, p->MaxValue, p->DefaultValue, p->currentValue,
                                 p->DataWidth, p->DataSign, p->Detial});
}

void MainWindow::SaveParamBack(QString value)
{
    // The value belongs to the parameter the dialog was opened for, whatever
    // row is current by now: the dialog is not modal.
    ParamRecord *p = defs.findParam(m_editingCode);
    if (!p)
        return;
    const QString old = p->currentValue;
    p->changeText = QStringLiteral("%1 → %2").arg(old, value);
    p->currentValue = value;
    p->state |= ParamState::Changed | ParamState::Checked;
    QTableWidget *table = ui->tableWidget_Param;
    const int column = table->currentColumn() >= 0 ? table->currentColumn() : int(ColCheck);
    refreshParamTable(currentGroup);
    // The edited row stays current and keeps the keyboard, for the next key.
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, ColKey)->text() == m_editingCode) {
            table->setCurrentCell(row, column);
            table->scrollToItem(table->item(row, column));
            break;
        }
    }
    table->setFocus();
}

void MainWindow::paramTableMenuAck(QPoint at)
{
    QHeaderView *header = ui->tableWidget_Param->horizontalHeader();
    if (at.x() >= header->sectionSize(ColCheck) || at.y() < 0 || at.y() > header->height())
        return;
    QMenu menu(this);
    menu.addAction(tr("全部勾选"), this, &MainWindow::paramTable_Select1stColumn);
    menu.addAction(tr("全部取消"), this, &MainWindow::paramTable_DisSelect1stColumn);
    menu.addAction(tr("清除标记"), this, &MainWindow::paramTable_Clear1stColumnFlag);
    menu.exec(header->mapToGlobal(at));
}

void MainWindow::paramTable_Select1stColumn()
{
    for (int row = 0; row < ui->tableWidget_Param->rowCount(); ++row)
        ui->tableWidget_Param->item(row, ColCheck)->setCheckState(Qt::Checked);
}

void MainWindow::paramTable_DisSelect1stColumn()
{
    for (int row = 0; row < ui->tableWidget_Param->rowCount(); ++row)
        ui->tableWidget_Param->item(row, ColCheck)->setCheckState(Qt::Unchecked);
}

void MainWindow::paramTable_Clear1stColumnFlag()
{
    ParamTransfer::mark(defs, ParamTransfer::ClearResultMarks, currentGroup);
    refreshParamTable(currentGroup);
}

void MainWindow::reloadDefinitions()
{
    paramFilePath = QStringLiteral("ParameterFile/%1_%2").arg(langCode, paramFileName);
    loadDefinitions(paramFilePath);
}

void MainWindow::loadDefinitions(const QString &path)
{
    // What the user read and edited stays with every parameter the new file
    // also defines: a reload must not lose values not yet downloaded or
    // saved.
    const ParamRuntime::Snapshot kept = ParamRuntime::take(defs);
    defs.clear();
    const DefinitionLoad load = readParameterFile(path, defs);
    ParamRuntime::restore(defs, kept);
    buildParamTree();
    qCDebug(lcWindow) << "FunCodeVersion = " << defs.funcCodeVersion;
    buildMonitorTable();
    fillFaultTestList();
    showFaultCode(m_faultCode);
    fillChannelLists();
    reportDefinitionLoad(path, load);
}

void MainWindow::reportDefinitionLoad(const QString &path, const DefinitionLoad &load)
{
    if (load.clean())
        return;
    // The first line is fixed text, so the box shows what follows (names
    // and texts from files) as plain text.
    QStringList lines{tr("参数定义文件没有完整载入。"), tr("文件：%1").arg(QDir::toNativeSeparators(path))};
    switch (load.problem) {
    case DefinitionLoad::Unreadable:
        lines << tr("文件不存在或无法读取。");
        break;
    case DefinitionLoad::Malformed:
        lines << tr("读取在第%1行中断：%2").arg(QString::number(load.line), load.reason);
        break;
    case DefinitionLoad::NoRoot:
        lines << tr("文件中没有Root元素。");
        break;
    case DefinitionLoad::None:
        break;
    }
    if (!load.refused.isEmpty())
        lines << tr("以下代码的组号或序号超出通信范围（0~255），未载入：%1").arg(load.refused.join(QStringLiteral(", ")));
    int monitors = 0;
    for (const UnGroup &group : defs.unGroups)
        monitors += group.size();
    lines << tr("已载入：%1个参数，%2个监视量，%3个故障码。")
                 .arg(defs.parameterCount())
                 .arg(monitors)
                 .arg(defs.faultTable.size());
    qCWarning(lcWindow).noquote() << lines.join(QLatin1Char(' '));
    Prompt::warning(this, tr("参数定义文件"), lines.join(QLatin1Char('\n')));
}

// --- Transfers ------------------------------------------------------------

void MainWindow::resetParamTransfer()
{
    pendingCodes.clear();
    compareAfterRead = false;
    m_diffAfterRead = false;
    m_diffReadingBack = false;
    m_transferCmd = -1;
    paramTransferBusy = false;
    for (ParamGroup &group : defs.paramGroups)
        for (ParamRecord &p : group)
            p.state &= quint16(~(ParamState::ToRead | ParamState::ToWrite));
}

void MainWindow::abortTransfersOnLinkLoss()
{
    // Nothing in flight will be answered now; the next click must work.
    unQueryBusy = false;
    if (!paramTransferBusy)
        return;
    const bool downloading = m_transferCmd == Cmd::WriteParams;
    const QStringList inFlight = pendingCodes;
    resetParamTransfer();
    refreshParamTable(currentGroup);
    if (!downloading || inFlight.isEmpty())
        return;
    // The drive may have taken the batch whose reply never came.
    const QMessageBox::StandardButton answer =
        Prompt::warning(this, tr("下载中断"),
                        tr("下载参数时通信中断。") + QLatin1Char('\n')
                            + tr("以下参数的值可能已经写入驱动器：%1").arg(inFlight.join(QStringLiteral(", ")))
                            + QLatin1Char('\n') + tr("是否在重新连接后从驱动器读回这些参数？"),
                        QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        m_readBackCodes = inFlight;
}

void MainWindow::readBackAfterReconnect()
{
    if (m_readBackCodes.isEmpty() || isCommunicateSetUp != 1 || paramTransferBusy)
        return;
    resetParamTransfer();
    for (const QString &code : qAsConst(m_readBackCodes)) {
        if (ParamRecord *p = defs.findParam(code))
            p->state |= ParamState::ToRead;
    }
    m_readBackCodes.clear();
    sendReadSelectedBatch();
}

void MainWindow::on_pushButton_ReadAllParam_clicked()
{
    qCDebug(lcWindow) << "从驱动器读取全部参数";
    if (!linkReady() || paramTransferBusy)
        return;
    startReadAll(false);
}

void MainWindow::on_pushButton_ParamCompare_clicked()
{
    qCDebug(lcWindow) << "比较驱动器参数";
    if (!linkReady() || paramTransferBusy)
        return;
    startReadAll(true);
}

void MainWindow::startReadAll(bool compare)
{
    resetParamTransfer();
    compareAfterRead = compare;
    ParamTransfer::mark(defs, ParamTransfer::MarkAllToRead, currentGroup);
    sendReadAllBatch();
}

// A batch on its way: the transfer stays busy until its last reply.
void MainWindow::sendBatch(int cmd, const ParamTransfer::Request &request)
{
    m_transferCmd = cmd;
    sendCommand(cmd, request.payload, request.rxLen);
    paramTransferBusy = true;
}

MainWindow::BatchResult MainWindow::sendReadAllBatch()
{
    const bool wide = defs.wideValues();
    pendingCodes = ParamTransfer::collect(defs, ParamState::ToRead, ParamTransfer::readAllBatch(wide));
    qCDebug(lcWindow) << "Find out to send:" << pendingCodes;
    if (pendingCodes.isEmpty())
        return BatchNone;
    const ParamTransfer::Request request = ParamTransfer::readRange(pendingCodes, wide);
    if (!linkReady() || !request.ok) {
        if (isCommunicateSetUp == 1)
            emit showWrongSet(tr("参数组名称不正确！"));
        resetParamTransfer();
        return BatchFailed;
    }
    qCDebug(lcWindow) << "cmd:" << request.payload.left(5).toHex(' ');
    if (wide)
        qCDebug(lcWindow) << "接收的数据个数" << pendingCodes.size() << "接收的数据长度" << request.rxLen;
    sendBatch(Cmd::ReadParamRange, request);
    return BatchSent;
}

void MainWindow::on_pushButton_ReadSelectParam_clicked()
{
    qCDebug(lcWindow) << "从伺服驱动器读取勾选参数";
    if (!linkReady() || paramTransferBusy)
        return;
    resetParamTransfer();
    ParamTransfer::mark(defs, ParamTransfer::MarkCheckedToRead, currentGroup);
    if (sendReadSelectedBatch() == BatchNone)
        Prompt::warning(this, tr("未选中要读取的参数"), tr("请先勾选要读取的参数！"));
}

MainWindow::BatchResult MainWindow::sendReadSelectedBatch()
{
    pendingCodes = ParamTransfer::collect(defs, ParamState::ToRead, ParamTransfer::kReadListBatch);
    if (pendingCodes.isEmpty())
        return BatchNone;
    const ParamTransfer::Request request = ParamTransfer::readList(pendingCodes, defs.wideValues());
    if (!linkReady() || !request.ok) {
        if (isCommunicateSetUp == 1)
            emit showWrongSet(tr("参数组名称不正确！"));
        resetParamTransfer();
        return BatchFailed;
    }
    qCDebug(lcWindow) << "cmd:" << request.payload.left(4).toHex(' ');
    sendBatch(Cmd::ReadParamList, request);
    return BatchSent;
}

void MainWindow::readAllReply(const QByteArray &payload)
{
    qCDebug(lcWindow) << "读取全部参数收到下位机应答";
    ParamTransfer::decodeRead(payload, pendingCodes, defs, defs.wideValues());
    refreshParamTable(currentGroup);
    emit funcEnd();
    if (sendReadAllBatch() != BatchNone)
        return;
    const bool compare = compareAfterRead;
    const bool diff = m_diffAfterRead;
    resetParamTransfer();
    if (compare)
        compareWithModelDefaults();
    else if (diff)
        showDriveDiff();
    else
        Prompt::information(this, tr("结果"), tr("参数读取成功"));
}

void MainWindow::readSelectedReply(const QByteArray &payload)
{
    qCDebug(lcWindow) << "读取勾选的参数收到下位机应答";
    ParamTransfer::decodeRead(payload, pendingCodes, defs, defs.wideValues());
    refreshParamTable(currentGroup);
    emit funcEnd();
    if (sendReadSelectedBatch() != BatchNone)
        return;
    const bool diffReadBack = m_diffReadingBack;
    resetParamTransfer();
    if (diffReadBack)
        finishParamDiffWrite();
    else
        Prompt::information(this, tr("结果"), tr("参数读取成功"));
}

void MainWindow::on_pushButton_DownLoadParam_clicked()
{
    qCDebug(lcWindow) << "下载勾选的参数到驱动器";
    successTotal = 0;
    failTotal = 0;
    failDetails.clear();
    if (!linkReady() || paramTransferBusy)
        return;
    m_diffWritten.clear();
    // Only what is ticked now goes out.
    resetParamTransfer();
    ParamTransfer::mark(defs, ParamTransfer::MarkCheckedToWrite, currentGroup);
    const bool anyMarked = !ParamTransfer::collect(defs, ParamState::ToWrite, 1).isEmpty();
    if (!anyMarked) {
        Prompt::warning(this, tr("未选中要下载的参数"), tr("请先勾选要下载的参数！"));
        return;
    }
    if (sendDownloadBatch() == BatchNone)
        finishDownload();
}

MainWindow::BatchResult MainWindow::sendDownloadBatch()
{
    for (;;) {
        pendingCodes = ParamTransfer::collect(defs, ParamState::ToWrite, ParamTransfer::kDownloadBatch);
        qCDebug(lcWindow) << QStringLiteral("isCommunicateSetUp = %1").arg(isCommunicateSetUp)
                          << "Test_PnNoList =" << pendingCodes;
        if (pendingCodes.isEmpty())
            return BatchNone;
        if (!linkReady()) {
            resetParamTransfer();
            return BatchFailed;
        }
        QStringList refused;
        const ParamTransfer::Request request =
            ParamTransfer::download(pendingCodes, defs, defs.wideValues(), &refused);
        // Values that cannot be sent count as failed writes, with the reason.
        failTotal += refused.size();
        failDetails += refused;
        if (request.ok) {
            qCDebug(lcWindow) << "cnt =" << request.sent.size();
            pendingCodes = request.sent;
            sendBatch(Cmd::WriteParams, request);
            return BatchSent;
        }
        if (refused.isEmpty()) {
            emit showWrongSet(tr("参数组名称不正确！"));
            resetParamTransfer();
            return BatchFailed;
        }
    }
}

void MainWindow::downloadReply(const QByteArray &payload)
{
    qCDebug(lcWindow) << "读取勾选的参数收到下位机应答";
    const QStringList result = ParamTransfer::decodeDownload(payload, defs);
    if (result.size() >= 2) {
        successTotal += result.at(0).section(QLatin1Char(':'), 1).toInt();
        const int failed = result.at(1).section(QLatin1Char(':'), 1).toInt();
        failTotal += failed;
        if (failed != 0 && result.size() > 2)
            failDetails += result.mid(2);
    }
    refreshParamTable(currentGroup);
    emit funcEnd();
    if (sendDownloadBatch() == BatchNone)
        finishDownload();
}

void MainWindow::finishDownload()
{
    resetParamTransfer();
    if (!m_diffWritten.isEmpty()) {
        paramDiffReadBack();
        return;
    }
    refreshParamTable(currentGroup);
    bool failed = false;
    const QString summary = ParamTransfer::downloadSummary(successTotal, failTotal, failDetails, &failed);
    if (failed)
        Prompt::critical(this, tr("参数设置结果"), Prompt::Rich{summary});
    else
        Prompt::information(this, tr("参数设置结果"), Prompt::Rich{summary});
}
