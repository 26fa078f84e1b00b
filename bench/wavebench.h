#pragma once

// The main window as the waveform benches measure it.

#include "app/langseldialog.h"
#include "app/mainclass.h"
#include "mainwindow/mainwindow.h"

#include <qwt_plot.h>

#include <QCoreApplication>
#include <QListWidget>

namespace bench {

// Shows the main window in its language on the waveform page, grown until the
// plot is 1350 x 890.
inline MainWindow *showWavePage(MainClass &mainClass)
{
    emit mainClass.langSel->LanguageChange(mainClass.langSel->curLang(), false);
    MainWindow *window = mainClass.mainWindow;
    auto *plot = window->findChild<QwtPlot *>(QStringLiteral("qwtPlot"));
    window->show();
    window->findChild<QListWidget *>(QStringLiteral("listWidget"))->setCurrentRow(MainWindow::WavePage);
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        window->resize(window->size() + QSize(1350, 890) - plot->size());
    }
    QCoreApplication::processEvents();
    return window;
}

} // namespace bench
