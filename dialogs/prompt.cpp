#include "dialogs/prompt.h"

#include <QFileDialog>

namespace Prompt {

namespace {
BoxHandler &boxHandler()
{
    static BoxHandler handler;
    return handler;
}

FileHandler &fileHandler()
{
    static FileHandler handler;
    return handler;
}

QMessageBox::Icon messageIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton showBox(QWidget *parent, Icon icon, const QString &title, const QString &text,
                                    QMessageBox::StandardButtons buttons, bool rich = false)
{
    Box box;
    box.icon = icon;
    box.title = title;
    box.text = text;
    box.buttons = buttons;
    box.rich = rich;
    return show(parent, box);
}

QString askFile(QWidget *parent, FileRequest::Mode mode, const QString &caption, const QString &directory,
                const QString &filter)
{
    const FileRequest request{mode, caption, directory, filter};
    if (fileHandler())
        return fileHandler()(request);
    if (mode == FileRequest::Save)
        return QFileDialog::getSaveFileName(parent, caption, directory, filter);
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}
} // namespace

void setBoxHandler(BoxHandler handler)
{
    boxHandler() = std::move(handler);
}

void setFileHandler(FileHandler handler)
{
    fileHandler() = std::move(handler);
}

QMessageBox::StandardButton show(QWidget *parent, const Box &box)
{
    if (boxHandler())
        return boxHandler()(box);
    QMessageBox message(messageIcon(box.icon), box.title, box.text, box.buttons, parent);
    message.setTextFormat(box.rich ? Qt::RichText : Qt::PlainText);
    if (box.defaultButton != QMessageBox::NoButton)
        message.setDefaultButton(box.defaultButton);
    return QMessageBox::StandardButton(message.exec());
}

QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons)
{
    return showBox(parent, Icon::Information, title, text, buttons);
}

QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text,
                                    QMessageBox::StandardButtons buttons)
{
    return showBox(parent, Icon::Warning, title, text, buttons);
}

QMessageBox::StandardButton critical(QWidget *parent, const QString &title, const QString &text,
                                     QMessageBox::StandardButtons buttons)
{
    return showBox(parent, Icon::Critical, title, text, buttons);
}

QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                     QMessageBox::StandardButtons buttons)
{
    return showBox(parent, Icon::Question, title, text, buttons);
}

QMessageBox::StandardButton information(QWidget *parent, const QString &title, const Rich &text,
                                        QMessageBox::StandardButtons buttons)
{
    return showBox(parent, Icon::Information, title, text.text, buttons, true);
}

QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const Rich &text,
                                    QMessageBox::StandardButtons buttons)
{
    return showBox(parent, Icon::Warning, title, text.text, buttons, true);
}

QMessageBox::StandardButton critical(QWidget *parent, const QString &title, const Rich &text,
                                     QMessageBox::StandardButtons buttons)
{
    return showBox(parent, Icon::Critical, title, text.text, buttons, true);
}

QString getSaveFileName(QWidget *parent, const QString &caption, const QString &directory, const QString &filter)
{
    return askFile(parent, FileRequest::Save, caption, directory, filter);
}

QString getOpenFileName(QWidget *parent, const QString &caption, const QString &directory, const QString &filter)
{
    return askFile(parent, FileRequest::Open, caption, directory, filter);
}

} // namespace Prompt
