#include "dialogs/paramdiffdialog.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
enum Column { CodeColumn, NameColumn, UnitColumn, ActiveColumn, LeftColumn, RightColumn, ColumnCount };
}

ParamDiffDialog::ParamDiffDialog(QWidget *parent)
    : QDialog(parent)
    , m_sources(new QLabel(this))
    , m_table(new QTableWidget(0, ColumnCount, this))
    , m_driveButton(new QPushButton(this))
    , m_filesButton(new QPushButton(this))
    , m_writeButton(new QPushButton(this))
    , m_exportButton(new QPushButton(this))
{
    setObjectName(QStringLiteral("ParamDiffDialog"));
    m_sources->setObjectName(QStringLiteral("label_diffSources"));
    m_sources->setTextFormat(Qt::PlainText);
    m_table->setObjectName(QStringLiteral("tableWidget_paramDiff"));
    m_driveButton->setObjectName(QStringLiteral("pushButton_diffDrive"));
    m_filesButton->setObjectName(QStringLiteral("pushButton_diffFiles"));
    m_writeButton->setObjectName(QStringLiteral("pushButton_diffWrite"));
    m_exportButton->setObjectName(QStringLiteral("pushButton_diffExport"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {m_driveButton, m_filesButton, m_writeButton, m_exportButton})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_sources);
    layout->addWidget(m_table);
    resize(900, 500);

    connect(m_driveButton, &QPushButton::clicked, this, &ParamDiffDialog::compareWithDrive);
    connect(m_filesButton, &QPushButton::clicked, this, &ParamDiffDialog::compareFiles);
    connect(m_writeButton, &QPushButton::clicked, this, [this] { emit writeTicked(tickedCodes()); });
    connect(m_exportButton, &QPushButton::clicked, this, &ParamDiffDialog::exportCsv);
    retranslate();
    fill();
}

void ParamDiffDialog::setComparison(const QList<ParamDiff::Row> &rows, const QString &leftName,
                                    const QString &rightName, bool toDrive)
{
    m_rows = rows;
    m_leftName = leftName;
    m_rightName = rightName;
    m_toDrive = toDrive;
    retranslate();
    fill();
}

QStringList ParamDiffDialog::tickedCodes() const
{
    QStringList codes;
    for (int r = 0; r < m_table->rowCount(); ++r) {
        const QTableWidgetItem *item = m_table->item(r, CodeColumn);
        if ((item->flags() & Qt::ItemIsUserCheckable) && item->checkState() == Qt::Checked)
            codes.append(item->text());
    }
    return codes;
}

void ParamDiffDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void ParamDiffDialog::retranslate()
{
    setWindowTitle(tr("参数差异比较"));
    m_driveButton->setText(tr("驱动器与文件比较"));
    m_filesButton->setText(tr("两个文件比较"));
    m_writeButton->setText(tr("将勾选的值写入驱动器"));
    m_exportButton->setText(tr("导出CSV"));
    m_table->setHorizontalHeaderLabels({tr("参数代码"), tr("名称"), tr("单位"), tr("生效时间"),
                                        m_leftName.isEmpty() ? tr("左") : m_leftName,
                                        m_rightName.isEmpty() ? tr("右") : m_rightName});
    if (m_leftName.isEmpty())
        m_sources->setText(tr("请选择比较方式。"));
    else if (m_rows.isEmpty())
        m_sources->setText(tr("%1 与 %2：没有差异").arg(m_leftName, m_rightName));
    else
        m_sources->setText(tr("%1 与 %2：%3个参数不同").arg(m_leftName, m_rightName).arg(m_rows.size()));
}

void ParamDiffDialog::fill()
{
    m_table->setRowCount(0);
    m_table->setRowCount(m_rows.size());
    for (int r = 0; r < m_rows.size(); ++r) {
        const ParamDiff::Row &row = m_rows.at(r);
        // Values show with their names where the description lists them.
        const QStringList cells{row.code, row.name, row.unit, row.activeTime,
                                EnumText::withName(row.left, row.names), EnumText::withName(row.right, row.names)};
        for (int c = 0; c < ColumnCount; ++c) {
            auto *item = new QTableWidgetItem(cells.at(c));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            m_table->setItem(r, c, item);
        }
        // Read-only parameters, and codes the drive does not know, are not offered.
        if (m_toDrive && row.known && row.modify != ParamDiff::Modify::ReadOnly && !row.right.isEmpty()) {
            QTableWidgetItem *code = m_table->item(r, CodeColumn);
            code->setFlags(code->flags() | Qt::ItemIsUserCheckable);
            code->setCheckState(Qt::Unchecked);
        }
    }
    m_table->resizeColumnsToContents();
    m_writeButton->setEnabled(m_toDrive && !m_rows.isEmpty());
    m_exportButton->setEnabled(!m_leftName.isEmpty());
}
