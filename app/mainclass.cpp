#include "app/mainclass.h"

#include "app/langseldialog.h"
#include "dialogs/aboutdialog.h"
#include "dialogs/connectdata.h"
#include "dialogs/connectionsetup.h"
#include "dialogs/errorform.h"
#include "link/serialthread.h"
#include "link/showsrvdebuginfo.h"
#include "mainwindow/mainwindow.h"

namespace {
MainClass *g_instance = nullptr;
}

MainClass *MainClass::instance()
{
    return g_instance;
}

MainClass::MainClass()
{
    g_instance = this;

    // 1. Every instance, in this order, without a parent.
    mainWindow = new MainWindow;
    linkWorker = new SerialThread;
    connectionSetup = new ConnectionSetup;
    connectData = new ConnectData;
    about = new aboutDialog;
    errors = new errorForm;
    langSel = new LangSelDialog;
    debugInfo = new showSrvDebugInfo;

    // 2. The version texts for the about box.
    QString version, date, patch;
    mainWindow->makeVersionTexts(version, date, patch);
    about->setVersionTexts(version, date, patch);

    // 3. Value types, before any connection.
    registerLinkTypes();

    // 4. The connections.
    wire();
}

MainClass::~MainClass()
{
    // The worker first: its thread must end before the windows go.
    delete linkWorker;
    delete debugInfo;
    delete langSel;
    delete errors;
    delete about;
    delete connectData;
    delete connectionSetup;
    delete mainWindow;
    if (g_instance == this)
        g_instance = nullptr;
}

void MainClass::wire()
{
    MainWindow *w = mainWindow;
    SerialThread *link = linkWorker;
    connect(w, &MainWindow::showSetup, connectionSetup, &ConnectionSetup::setupShow);                    // 1
    connect(w, &MainWindow::showConnectDataDia, connectData, &ConnectData::diaShow);                     // 2
    connect(w, &MainWindow::showAboutDia, about, &aboutDialog::diaShow);                                 // 3
    connect(w, &MainWindow::funcEnd, link, &SerialThread::rxDataBeenProecssed);                          // 4
    connect(w, &MainWindow::put, link, &SerialThread::send_Frame);                                       // 5
    connect(w, &MainWindow::connectPara, link, &SerialThread::transaction);                              // 6
    connect(link, &SerialThread::serror, w, &MainWindow::showError);                                     // 7
    // The cause first: the closing message that follows tells it.
    connect(link, &SerialThread::linkEnded, w, &MainWindow::comEndCause);
    connect(link, &SerialThread::threadInfo, w, &MainWindow::showMsg);                                   // 8
    // The dialog's choice goes through the window, which stops the drive on
    // a link that is up before it connects anew.
    connect(connectionSetup, &ConnectionSetup::connectPara, w, &MainWindow::connectFromSetup);           // 9
    connect(w, &MainWindow::putSoftWare, about, &aboutDialog::setSoftWare);                              // 10
    connect(w, &MainWindow::deviceInfoChanged, about, &aboutDialog::setDeviceInfo);
    connect(link, &SerialThread::data_Return, w, &MainWindow::showData);                                 // 11
    connect(link, &SerialThread::waveform_putDataToShow, w, &MainWindow::waveform_recvDataFromThread);   // 12
    connect(link, &SerialThread::waveform_gap, w, &MainWindow::waveform_gapFromThread);
    connect(link, &SerialThread::communicateState, w, &MainWindow::comStateShow);                        // 13
    connect(link, &SerialThread::communicateTx, w, &MainWindow::comTxNumShow);                           // 14
    connect(link, &SerialThread::communicateRx, w, &MainWindow::comRxNumShow);                           // 15
    connect(link, &SerialThread::communicateEr, w, &MainWindow::comErNumShow);                           // 16
    connect(w, &MainWindow::comNumberReset, link, &SerialThread::communicateReset);                      // 17
    connect(link, &SerialThread::serial_IDLE, w, &MainWindow::comIdleDeal);                              // 18
    connect(w, &MainWindow::comDisConnect, link, &SerialThread::communicateDisConnect);                  // 19
    connect(w, &MainWindow::updateExistHID, link, &SerialThread::updateAvailableHID);                    // 20
    connect(link, &SerialThread::connectComTRData, connectData, &ConnectData::showComTRData);            // 21
    connect(w, &MainWindow::showWrongSet, errors, &errorForm::showError);                                // 22
    connect(w, &MainWindow::showWrongDia, errors, &QWidget::show);                                       // 23
    connect(w, &MainWindow::showLangSelDlgReg, langSel, &LangSelDialog::showLangSelDlg);                 // 24
    connect(langSel, &LangSelDialog::LanguageChange, w, &MainWindow::LoadTranslation);                   // 25
    connect(langSel, &LangSelDialog::LanguageChange, about, &aboutDialog::LoadTranslation);              // 26
    // The version texts follow the language too ("none" for no patch is a word).
    connect(langSel, &LangSelDialog::LanguageChange, about, [this] {
        QString version, date, patch;
        mainWindow->makeVersionTexts(version, date, patch);
        about->setVersionTexts(version, date, patch);
    });
    connect(w, &MainWindow::showServoDebugInfo, debugInfo, &QWidget::show);                              // 27
    connect(link, qOverload<int, QByteArray>(&SerialThread::debugDataReturn), debugInfo,
            &showSrvDebugInfo::showServoDebugInfo);                                                      // 28
}
