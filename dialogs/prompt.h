#pragma once

// The one way the tool shows message boxes and asks for file names. Tests
// install handlers that see every box (icon, title, text, buttons) and every
// file request, and answer them.

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace Prompt {

enum class Icon { Information, Warning, Critical, Question };

struct Box {
    Icon icon = Icon::Information;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    // Plain text unless the text carries the tool's own markup (Rich below).
    bool rich = false;
};

// A box text that carries the tool's own markup (line breaks, colours).
// Whatever it quotes from files or from the drive has been escaped with
// QString::toHtmlEscaped(). Every other text is shown as plain text, so that
// nothing from outside is ever taken for markup.
struct Rich {
    QString text;
};

struct FileRequest {
    enum Mode { Open, Save } mode = Open;
    QString caption;
    QString directory;
    QString filter;
};

using BoxHandler = std::function<QMessageBox::StandardButton(const Box &)>;
using FileHandler = std::function<QString(const FileRequest &)>;

// Replaces the real dialogs; an empty handler puts them back.
void setBoxHandler(BoxHandler handler);
void setFileHandler(FileHandler handler);

QMessageBox::StandardButton show(QWidget *parent, const Box &box);

QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);
QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok);
QMessageBox::StandardButton critical(QWidget *parent, const QString &title, const QString &text,
                                     QMessageBox::StandardButtons buttons = QMessageBox::Ok);
QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                     QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No);
QMessageBox::StandardButton information(QWidget *parent, const QString &title, const Rich &text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);
QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const Rich &text,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok);
QMessageBox::StandardButton critical(QWidget *parent, const QString &title, const Rich &text,
                                     QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// An empty result means the user cancelled.
QString getSaveFileName(QWidget *parent, const QString &caption, const QString &directory, const QString &filter);
QString getOpenFileName(QWidget *parent, const QString &caption, const QString &directory, const QString &filter);

} // namespace Prompt
