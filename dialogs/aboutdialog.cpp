#include "dialogs/aboutdialog.h"
#include "ui_aboutdialog.h"

#include "app/applog.h"
#include <QDesktopServices>
#include <QFormLayout>
#include <QLabel>
#include <QDir>
#include <QUrl>

aboutDialog::aboutDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::aboutDialog)
{
    ui->setupUi(this);
    // Through an icon, which takes the "@2x" picture on a scaled screen.
    ui->label_logo->setPixmap(QIcon(QStringLiteral(":/pic/logo.png")).pixmap(48, 48));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    // The connected drive, under the tool's own versions; its texts are plain.
    m_deviceCaption = new QLabel(this);
    m_deviceValue = new QLabel(this);
    m_deviceValue->setObjectName(QStringLiteral("label_device"));
    m_serialCaption = new QLabel(this);
    m_serialValue = new QLabel(this);
    m_serialValue->setObjectName(QStringLiteral("label_serial"));
    for (QLabel *value : {m_deviceValue, m_serialValue}) {
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    ui->formLayout->addRow(m_deviceCaption, m_deviceValue);
    ui->formLayout->addRow(m_serialCaption, m_serialValue);
    showDeviceInfo();
}

void aboutDialog::setDeviceInfo(QString model, QString version, QString serial)
{
    m_device[0] = model;
    m_device[1] = version;
    m_device[2] = serial;
    showDeviceInfo();
}

void aboutDialog::showDeviceInfo()
{
    m_deviceCaption->setText(tr("驱动器："));
    m_serialCaption->setText(tr("驱动器序列号："));
    const QString device = (m_device[0] + QLatin1Char(' ') + m_device[1]).trimmed();
    m_deviceValue->setText(device.isEmpty() ? tr("未连接") : device);
    m_serialValue->setText(m_device[2].isEmpty() ? QStringLiteral("-") : m_device[2]);
}

aboutDialog::~aboutDialog()
{
    delete ui;
}

void aboutDialog::setVersionTexts(const QString &version, const QString &date, const QString &patch)
{
    ui->label_version->setText(version);
    ui->label_date->setText(date);
    ui->label_patch->setText(patch);
}

QString aboutDialog::licensePageUrl()
{
    return QStringLiteral("file:") + QDir::currentPath() + QStringLiteral("/license/third-party-license.html");
}

void aboutDialog::diaShow()
{
    show();
    raise();
    activateWindow();
}

void aboutDialog::setSoftWare(Frame reply)
{
    // Replies 10 and 11 carry the two halves of the drive's software version
    // as text; the bytes are copied here, while the worker still waits.
    if (!reply.rxData || reply.rxDataLen == 0)
        return;
    const QByteArray bytes(reinterpret_cast<const char *>(reply.rxData), reply.rxDataLen);
    const int end = bytes.indexOf('\0');
    const int part = reply.index == Cmd::SoftwareVersion2 ? 1 : 0;
    m_softwareParts[part] = QString::fromLatin1(end < 0 ? bytes : bytes.left(end)).trimmed();
    ui->label_software->setText((m_softwareParts[0] + QLatin1Char(' ') + m_softwareParts[1]).trimmed());
}

void aboutDialog::LoadTranslation(QString, bool)
{
    ui->retranslateUi(this);
    showDeviceInfo();
}

void aboutDialog::on_pushbutton_license_clicked()
{
    QDesktopServices::openUrl(QUrl(licensePageUrl()));
}

void aboutDialog::done(int result)
{
    qCDebug(lcWindow) << "Exit";
    QDialog::done(result);
}
