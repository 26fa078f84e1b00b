#pragma once

#include <QObject>

class MainWindow;
class SerialThread;
class ConnectionSetup;
class ConnectData;
class aboutDialog;
class errorForm;
class LangSelDialog;
class showSrvDebugInfo;

// Creates the one instance of every window and of the link worker, in a
// fixed order, registers the value types that cross threads and makes every
// connection between them. Everything lives until the process ends.
class MainClass : public QObject
{
public:
    MainClass();
    ~MainClass() override;

    // The application object, once created.
    static MainClass *instance();

    MainWindow *mainWindow = nullptr;
    SerialThread *linkWorker = nullptr;
    ConnectionSetup *connectionSetup = nullptr;
    ConnectData *connectData = nullptr;
    aboutDialog *about = nullptr;
    errorForm *errors = nullptr;
    LangSelDialog *langSel = nullptr;
    showSrvDebugInfo *debugInfo = nullptr;

private:
    void wire();
};
