#include "app/langseldialog.h"
#include "app/mainclass.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFont>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);

    // Settings, definitions and translations lie beside the program, and
    // every path the tool uses is relative to its working folder.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    MainClass mainClass;
    QApplication::setFont(QFont(QStringLiteral("Microsoft Sans Serif")));

    if (!mainClass.langSel->langFound())
        mainClass.langSel->exec();
    else
        emit mainClass.langSel->LanguageChange(mainClass.langSel->curLang(), false);

    mainClass.mainWindow->show();
    return app.exec();
}
