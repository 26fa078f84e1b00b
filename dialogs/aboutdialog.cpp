#include "dialogs/aboutdialog.h"
#include "ui_aboutdialog.h"

#include "app/applog.h"
#include <QDesktopServices>
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
