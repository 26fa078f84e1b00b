#include "app/langseldialog.h"
#include "ui_langseldialog.h"

#include "app/applog.h"
#include "app/settingsfiles.h"

#include <QEvent>
#include <QFileInfo>
#include <QLocale>

namespace {
const char kLanguageFile[] = "ParameterFile/01-LanguageSelect.xml";
const char kConfigFile[] = "config.ini";
} // namespace

LangSelDialog::LangSelDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::LangSelDialog)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_QuitOnClose, false);
    // 1. The list: a click enables the choice, a double click makes it.
    connect(ui->listWidget_Lang, &QListWidget::itemClicked, this, &LangSelDialog::EnableButton);
    connect(ui->listWidget_Lang, &QListWidget::itemDoubleClicked, this, &LangSelDialog::on_pushButton_UseSelLang_clicked);

    // 2. The remembered language. It is applied by the start-up code once
    // everything is wired, so it is not announced from here.
    readLanguageFile();
    if (!QFileInfo::exists(QString::fromLatin1(kConfigFile))) {
        qCDebug(lcWindow) << "未发现配置文件";
    } else {
        qCDebug(lcWindow) << "文件存在";
        const QString language = SettingsFiles::readConfig(QString::fromLatin1(kConfigFile)).language;
        if (language.isEmpty()) {
            qCDebug(lcWindow) << "未发现语言设置";
        } else {
            // One the tool does not ship, saved by an older version, would
            // leave it without parameters.
            m_curLang = LangFile::shippedLanguage(language, langMap);
            m_langFound = true;
            qCDebug(lcWindow) << "读取到的语言设置为：" << language;
        }
    }

    // 3. Otherwise the system's language, or the shipped one closest to it;
    // choosing it saves it.
    if (!m_langFound) {
        const QString locale = QLocale::system().name();
        qCDebug(lcWindow) << "Current locale:" << locale;
        m_curLang = LangFile::shippedLanguage(locale, langMap);
        m_localeLabel = m_curLang;
        ui->label_CurLang->setText(tr("当前语言代码 / Language code: (%1)").arg(m_curLang));
    }

    // 4. The texts, and a close button only.
    fillFor(m_curLang);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

LangSelDialog::~LangSelDialog()
{
    delete ui;
}

void LangSelDialog::readLanguageFile()
{
    QString error;
    langMap = LangFile::read(QString::fromLatin1(kLanguageFile), &error);
    if (!error.isEmpty())
        qCWarning(lcWindow).noquote() << "language list:" << error;
}

void LangSelDialog::fillFor(const QString &code)
{
    const auto it = langMap.constFind(code);
    if (it != langMap.constEnd()) {
        setWindowTitle(it->LangDlgTitle);
        ui->groupBox_CurLang->setTitle(it->LangGrpBox1);
        ui->label_CurLang->setText(QStringLiteral("%1%2 (%3)").arg(it->CurLang, it->LangInfo, it->LangType));
        ui->pushButton_UseCurLang->setText(it->Button1);
        ui->groupBox_SelLang->setTitle(it->LangGrpBox2);
        ui->pushButton_UseSelLang->setText(it->Button2);
    } else {
        qCDebug(lcWindow) << "错误！未发现相关的语言！" << code;
    }
    ui->listWidget_Lang->clear();
    for (const LangItemRecord &r : qAsConst(langMap)) {
        auto *item = new QListWidgetItem(QStringLiteral("%1 (%2)").arg(r.LangInfo, r.LangType), ui->listWidget_Lang);
        item->setData(Qt::UserRole, r.LangType);
    }
}

void LangSelDialog::showLangSelDlg()
{
    readLanguageFile();
    fillFor(m_curLang);
    show();
    raise();
    activateWindow();
}

void LangSelDialog::EnableButton(QListWidgetItem *)
{
    ui->pushButton_UseSelLang->setEnabled(true);
}

void LangSelDialog::on_pushButton_UseCurLang_clicked()
{
    close();
    emit LanguageChange(m_curLang, !m_langFound);
}

void LangSelDialog::on_pushButton_UseSelLang_clicked()
{
    QListWidgetItem *item = ui->listWidget_Lang->currentItem();
    if (!item || !item->isSelected())
        return;
    for (const LangItemRecord &r : qAsConst(langMap)) {
        if (QStringLiteral("%1 (%2)").arg(r.LangInfo, r.LangType) == item->text()) {
            m_curLang = r.LangType;
            break;
        }
    }
    close();
    emit LanguageChange(m_curLang, true);
}

void LangSelDialog::changeEvent(QEvent *event)
{
    // After a switch the fixed texts follow the translators, and the texts
    // from the language file follow the chosen language.
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        if (!m_localeLabel.isEmpty())
            ui->label_CurLang->setText(tr("当前语言代码 / Language code: (%1)").arg(m_localeLabel));
        fillFor(m_curLang);
    }
    QDialog::changeEvent(event);
}
