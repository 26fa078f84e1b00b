#pragma once

#include "app/langfile.h"

#include <QDialog>
#include <QMap>

class QListWidgetItem;

namespace Ui {
class LangSelDialog;
}

// Chooses the interface language and remembers it in config.ini. The
// languages and the dialog's own texts in each come from the language file.
class LangSelDialog : public QDialog
{
    Q_OBJECT

public:
    explicit LangSelDialog(QWidget *parent = nullptr);
    ~LangSelDialog() override;

    QString curLang() const { return m_curLang; }
    bool langFound() const { return m_langFound; }
    const QMap<QString, LangItemRecord> &languages() const { return langMap; }

public slots:
    void showLangSelDlg();
    void on_pushButton_UseCurLang_clicked();
    void on_pushButton_UseSelLang_clicked();
    void EnableButton(QListWidgetItem *item);

signals:
    void LanguageChange(QString lang, bool save);

protected:
    void changeEvent(QEvent *event) override;

private:
    void readLanguageFile();
    // Texts of the dialog in the language `code`, and the list.
    void fillFor(const QString &code);

    Ui::LangSelDialog *ui;
    QString m_curLang = QStringLiteral("zh_CN");
    bool m_langFound = false;
    QString m_localeLabel; // the label's text while the language came from the system
    QMap<QString, LangItemRecord> langMap;
};
