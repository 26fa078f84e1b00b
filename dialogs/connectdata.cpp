#include "dialogs/connectdata.h"
#include "ui_connectdata.h"

#include <QEvent>

#include "dialogs/prompt.h"

#include <QSaveFile>
#include <QStringListModel>

namespace {
// A line wider than the list is drawn cut with "…": the whole line is its tooltip.
class TrafficLines : public QStringListModel
{
public:
    using QStringListModel::QStringListModel;
    QVariant data(const QModelIndex &index, int role) const override
    {
        return QStringListModel::data(index, role == Qt::ToolTipRole ? int(Qt::DisplayRole) : role);
    }
};
} // namespace

ConnectData::ConnectData(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ConnectData)
    , m_model(new TrafficLines(this))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_QuitOnClose, false);
    ui->listView->setModel(m_model);
    connect(ui->dataStop, &QPushButton::clicked, this, &ConnectData::dataStop);
    connect(ui->dataOpen, &QPushButton::clicked, this, &ConnectData::dataOpen);
    connect(ui->dataClear, &QPushButton::clicked, this, &ConnectData::dataClear);
    connect(ui->dataSave, &QPushButton::clicked, this, &ConnectData::dataSave);
}

ConnectData::~ConnectData()
{
    delete ui;
}

QString ConnectData::trafficLine(const QDateTime &when, const uint8_t *data, int length, uint8_t direction)
{
    QString line = QStringLiteral("%1     %2 ")
                       .arg(when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                            direction == 1 ? QStringLiteral("Rx: ") : QStringLiteral("Tx: "));
    line.reserve(line.size() + 3 * length);
    for (int i = 0; i < length; ++i)
        line += QStringLiteral("%1 ").arg(data[i], 2, 16, QLatin1Char('0'));
    return line;
}

void ConnectData::diaShow()
{
    show();
    raise();
    m_lines.clear();
    m_paused = false;
    refresh();
}

void ConnectData::showComTRData(uint8_t *data, uint8_t length, uint8_t direction)
{
    if (m_paused || !data)
        return;
    m_lines.append(trafficLine(QDateTime::currentDateTime(), data, length, direction));
    while (m_lines.size() > kMaxLines)
        m_lines.removeFirst();
    refresh();
}

void ConnectData::refresh()
{
    m_model->setStringList(m_lines);
    ui->listView->scrollToBottom();
}

void ConnectData::dataStop()
{
    m_paused = true;
}

void ConnectData::dataOpen()
{
    m_paused = false;
}

void ConnectData::dataClear()
{
    m_lines.clear();
    refresh();
}

void ConnectData::dataSave()
{
    m_paused = true;
    const QString name = Prompt::getSaveFileName(this, tr("保存通信数据"), QString(), tr("文本文件 (*.txt)"));
    if (name.isEmpty())
        return;
    // Written beside the target and moved over it only when complete, so a
    // failed save leaves an earlier file of that name as it was.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(m_lines.join(QStringLiteral("\r\n")).toUtf8()) < 0 || !file.commit()) {
        Prompt::critical(this, tr("保存失败"), tr("无法保存文件 %1：%2").arg(name, file.errorString()));
    }
}

void ConnectData::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
