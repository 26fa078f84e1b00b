#include "dialogs/paramloadseldialog.h"
#include "ui_paramloadseldialog.h"

#include "app/applog.h"
#include "dialogs/fittext.h"

#include <QHeaderView>

ParamLoadSelDialog::ParamLoadSelDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ParamLoadSelDialog)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QTableWidget *table = ui->tableWidget_DevInfo;
    FitText::fitColumns(table); // an unknown model's code is long
    // The serial number tells two drives of one model apart; the motor
    // model is carried but not shown.
    table->setColumnHidden(3, true);
    table->setRowHeight(0, 48);
    table->setFocusPolicy(Qt::NoFocus);
    connect(ui->pushButton_OK, &QPushButton::clicked, this, &ParamLoadSelDialog::buttonOkCB);
    connect(ui->pushButton_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

ParamLoadSelDialog::~ParamLoadSelDialog()
{
    delete ui;
}

void ParamLoadSelDialog::done(int result)
{
    QDialog::done(result);
    emit dlgClose();
}

void ParamLoadSelDialog::setDeviceInfo(const QStringList &info)
{
    qCDebug(lcWindow) << "device Info:" << info;
    QTableWidget *table = ui->tableWidget_DevInfo;
    const int columns = qMin(info.size(), table->columnCount());
    for (int c = 0; c < columns; ++c) {
        auto *item = new QTableWidgetItem(info.at(c));
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(0, c, item);
    }
    // The serial number and its header are shown whole: the table, and so
    // the dialog, grows to hold them.
    const QFontMetrics metrics(table->font());
    const int serial = qMax(metrics.horizontalAdvance(info.value(2)),
                            metrics.horizontalAdvance(table->horizontalHeaderItem(2)->text()));
    table->setMinimumWidth(table->columnWidth(0) + table->columnWidth(1) + serial + 4 * table->frameWidth() + 24);
}

QString ParamLoadSelDialog::deviceInfo(int column) const
{
    const QTableWidgetItem *item = ui->tableWidget_DevInfo->item(0, column);
    return item ? item->text() : QString();
}

void ParamLoadSelDialog::buttonOkCB()
{
    int source = NoLoad;
    if (ui->radioButton_fromServo->isChecked())
        source = FromServo;
    else if (ui->radioButton_fromFile->isChecked())
        source = FromFile;
    emit paramSrcSel(source);
    close();
}

void ParamLoadSelDialog::LoadTranslation(QString, bool)
{
    ui->retranslateUi(this);
}
