#pragma once

#include <QDialog>

class QListWidget;
class QListWidgetItem;
class QPushButton;

// Chooses the interface language and remembers it in config.ini. For now it
// offers the languages the tool ships; the full dialog reads its list from
// the language file.
class LangSelDialog : public QDialog
{
    Q_OBJECT

public:
    explicit LangSelDialog(QWidget *parent = nullptr);

    QString curLang() const { return m_curLang; }
    bool langFound() const { return m_langFound; }

public slots:
    void showLangSelDlg();
    void on_pushButton_UseCurLang_clicked();
    void on_pushButton_UseSelLang_clicked();
    void EnableButton(QListWidgetItem *item);

signals:
    void LanguageChange(QString lang, bool save);

private:
    QString m_curLang = QStringLiteral("zh_CN");
    bool m_langFound = false;
    QListWidget *m_list;
    QPushButton *m_useSelected;
};
