#include "dialogs/helpwindow.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget *parent)
    : QDialog(parent)
    , m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowFlags(Qt::Window | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);
    setWindowTitle(tr("帮助"));
    resize(900, 680);
    m_browser->setObjectName(QStringLiteral("textBrowser_Help"));
    m_browser->setOpenLinks(false);
    // Pages of the guide stay here; the web and mail go to the desktop.
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl &url) {
        if (url.isRelative() || url.isLocalFile())
            m_browser->setSource(url);
        else
            QDesktopServices::openUrl(url);
    });
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *back = buttons->addButton(tr("后退"), QDialogButtonBox::ActionRole);
    QPushButton *home = buttons->addButton(tr("目录"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    back->setEnabled(false);
    connect(home, &QPushButton::clicked, m_browser, &QTextBrowser::home);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(buttons);
}

void HelpWindow::showPage(const QString &path)
{
    m_browser->setSearchPaths({QFileInfo(path).absolutePath()});
    m_browser->setSource(QUrl::fromLocalFile(path));
    show();
    raise();
    activateWindow();
}
