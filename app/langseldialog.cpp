#include "app/langseldialog.h"
#include "app/settingsfiles.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

LangSelDialog::LangSelDialog(QWidget *parent)
    : QDialog(parent)
    , m_list(new QListWidget(this))
    , m_useSelected(new QPushButton(tr("使用所选语言"), this))
{
    setWindowTitle(tr("语言选择"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    auto *useCurrent = new QPushButton(tr("使用当前语言"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(useCurrent);
    buttons->addStretch();
    buttons->addWidget(m_useSelected);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    m_list->addItem(QStringLiteral("中文 (zh_CN)"));
    m_list->item(0)->setData(Qt::UserRole, QStringLiteral("zh_CN"));
    m_useSelected->setEnabled(false);
    connect(m_list, &QListWidget::itemClicked, this, &LangSelDialog::EnableButton);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &LangSelDialog::on_pushButton_UseSelLang_clicked);
    connect(useCurrent, &QPushButton::clicked, this, &LangSelDialog::on_pushButton_UseCurLang_clicked);
    connect(m_useSelected, &QPushButton::clicked, this, &LangSelDialog::on_pushButton_UseSelLang_clicked);

    const SettingsFiles::Config config = SettingsFiles::readConfig(QStringLiteral("config.ini"));
    if (!config.language.isEmpty()) {
        m_curLang = config.language;
        m_langFound = true;
    }
}

void LangSelDialog::showLangSelDlg()
{
    show();
    raise();
}

void LangSelDialog::EnableButton(QListWidgetItem *)
{
    m_useSelected->setEnabled(true);
}

void LangSelDialog::on_pushButton_UseCurLang_clicked()
{
    close();
    emit LanguageChange(m_curLang, !m_langFound);
}

void LangSelDialog::on_pushButton_UseSelLang_clicked()
{
    QListWidgetItem *item = m_list->currentItem();
    if (!item || !item->isSelected())
        return;
    m_curLang = item->data(Qt::UserRole).toString();
    close();
    emit LanguageChange(m_curLang, true);
}
