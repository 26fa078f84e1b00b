#include "dialogs/connectionsetup.h"
#include "ui_connectionsetup.h"

#include <QEvent>

#include "app/inputfilter.h"
#include "link/platform.h"

#include <QSerialPort>

ConnectionSetup::ConnectionSetup(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ConnectionSetup)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    fillPorts();
    m_portIndex = ui->portSel->currentIndex();
    m_portName = ui->portSel->currentText();
    connect(ui->connectOK, &QDialogButtonBox::accepted, this, &ConnectionSetup::getPara);
    connect(ui->connectAdd, &QLineEdit::textChanged, this, &ConnectionSetup::stringCheck);
}

ConnectionSetup::~ConnectionSetup()
{
    delete ui;
}

uint32_t ConnectionSetup::baudAt(int index)
{
    static const uint32_t rates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    return index >= 0 && index < 8 ? rates[index] : 115200;
}

uint8_t ConnectionSetup::dataBitsAt(int index)
{
    return index >= 0 && index < 4 ? uint8_t(5 + index) : uint8_t(QSerialPort::Data8);
}

uint8_t ConnectionSetup::parityAt(int index)
{
    static const uint8_t parities[] = {QSerialPort::NoParity, QSerialPort::EvenParity, QSerialPort::OddParity};
    return index >= 0 && index < 3 ? parities[index] : uint8_t(QSerialPort::NoParity);
}

uint8_t ConnectionSetup::stopBitsAt(int index)
{
    // "OneAndHalfStop" sends the value for two stop bits.
    return index <= 0 ? uint8_t(QSerialPort::OneStop) : uint8_t(QSerialPort::TwoStop);
}

void ConnectionSetup::fillPorts()
{
    ui->portSel->clear();
    ui->portSel->addItems(Platform::serialPorts());
}

void ConnectionSetup::setupShow()
{
    fillPorts();
    const int at = ui->portSel->findText(m_portName);
    if (at >= 0)
        ui->portSel->setCurrentIndex(at);
    show();
    raise();
    activateWindow();
}

void ConnectionSetup::getPara()
{
    m_portName = ui->portSel->currentText();
    m_portIndex = ui->portSel->currentIndex();
    emit connectPara(Platform::connectName(m_portName), baudAt(ui->baudSel->currentIndex()),
                     dataBitsAt(ui->dataBitsSel->currentIndex()), parityAt(ui->paritySel->currentIndex()),
                     stopBitsAt(ui->stopSel->currentIndex()));
}

void ConnectionSetup::stringCheck(QString text)
{
    const QString filtered = InputFilter::dropTrailingNonNumber(text, true);
    if (filtered != text)
        ui->connectAdd->setText(filtered);
}

void ConnectionSetup::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
