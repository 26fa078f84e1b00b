// Keyboard access: the pages, the actions used most on the bench, quitting,
// and value entry on the parameter table.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include <QShortcut>

#include <functional>

void MainWindow::setupShortcuts()
{
    // Ctrl+1 ... Ctrl+5: the pages in the order of the page list.
    for (int page = ParamPage; page <= FaultPage; ++page) {
        auto *key = new QShortcut(QKeySequence(int(Qt::CTRL) + Qt::Key_1 + page), this);
        connect(key, &QShortcut::activated, this, [this, page] { ui->listWidget->setCurrentRow(page); });
    }

    // A page's action is a click on its button, and only while that button
    // is on show and enabled: a key never does what the mouse could not do
    // on the page shown, and the button's slot still refuses what it must
    // (no link, a transfer under way). Ctrl+O imports on the page shown.
    const struct {
        QKeySequence keys;
        QList<QAbstractButton *> buttons;
        std::function<bool()> allowed;
    } actions[] = {
        {QKeySequence(int(Qt::CTRL) + Qt::Key_R), {ui->pushButton_ReadAllParam}, {}},
        {QKeySequence(int(Qt::CTRL) + Qt::Key_D), {ui->pushButton_DownLoadParam}, {}},
        {QKeySequence(int(Qt::CTRL) + Qt::Key_O), {ui->pushButton_paramImportFile, ui->waveDataImport}, {}},
        {QKeySequence(int(Qt::CTRL) + Qt::Key_S), {ui->waveDataReadSave}, {}},
        // One key starts, the other stops: a key pressed twice never undoes itself.
        {QKeySequence(Qt::Key_F5), {ui->pushButton_waveformRec}, [this] { return !waveRecording; }},
        {QKeySequence(int(Qt::SHIFT) + Qt::Key_F5), {ui->pushButton_waveformRec}, [this] { return waveRecording; }},
    };
    for (const auto &action : actions) {
        auto *key = new QShortcut(action.keys, this);
        const auto buttons = action.buttons;
        const auto allowed = action.allowed;
        connect(key, &QShortcut::activated, this, [buttons, allowed] {
            if (allowed && !allowed())
                return;
            for (QAbstractButton *button : buttons) {
                if (button->isVisible() && button->isEnabled()) {
                    button->click();
                    return;
                }
            }
        });
    }

    // Quitting takes the path of closing the window, which stops the drive first.
    ui->actionQuit->setShortcut(QKeySequence(int(Qt::CTRL) + Qt::Key_Q));

    // Enter on a parameter row opens its value, as a double click does.
    for (int enter : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto *key = new QShortcut(QKeySequence(enter), ui->tableWidget_Param, nullptr, nullptr, Qt::WidgetShortcut);
        connect(key, &QShortcut::activated, this, [this] {
            const QModelIndex current = ui->tableWidget_Param->currentIndex();
            if (current.isValid())
                paramTable_SetValue(current);
        });
    }
}
