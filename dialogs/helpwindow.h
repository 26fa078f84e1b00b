#pragma once

#include <QDialog>

class QTextBrowser;

// The user guide's HTML pages inside the tool, for machines without a web
// browser: links between the guide's pages are followed here, links to
// other places are handed to the desktop.
class HelpWindow : public QDialog
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Opens the page (an HTML file) and brings the window up.
    void showPage(const QString &path);
    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser;
};
