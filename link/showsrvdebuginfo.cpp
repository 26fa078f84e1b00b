#include "link/showsrvdebuginfo.h"
#include "ui_showsrvdebuginfo.h"

#include <QEvent>

#include <QTime>

showSrvDebugInfo::showSrvDebugInfo(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::showSrvDebugInfo)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_QuitOnClose, false);
}

showSrvDebugInfo::~showSrvDebugInfo()
{
    delete ui;
}

QString showSrvDebugInfo::debugLine(const QString &time, int id, const QByteArray &data)
{
    const int end = data.indexOf('\0');
    const QString text = QString::fromLocal8Bit(end < 0 ? data : data.left(end));
    if (id == 0)
        return QStringLiteral("【%1】: CPU: %2").arg(time, text);
    if (id == 1)
        return QStringLiteral("【%1】: CM: %2").arg(time, text);
    return QString();
}

QString showSrvDebugInfo::text() const
{
    return ui->textEdit->toPlainText();
}

void showSrvDebugInfo::showServoDebugInfo(int id, QByteArray data)
{
    const QString line = debugLine(QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")), id, data);
    if (!line.isEmpty())
        appendInfo(line);
}

void showSrvDebugInfo::appendInfo(QString s)
{
    ui->textEdit->append(s + QStringLiteral("\r\n"));
}

void showSrvDebugInfo::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
