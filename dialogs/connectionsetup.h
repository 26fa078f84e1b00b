#pragma once

#include <QDialog>
#include <cstdint>

namespace Ui {
class ConnectionSetup;
}

// Picks a serial port and its line settings and connects with them; the one
// place where data bits, parity and stop bits can be chosen.
class ConnectionSetup : public QDialog
{
    Q_OBJECT

public:
    explicit ConnectionSetup(QWidget *parent = nullptr);
    ~ConnectionSetup() override;

    // What a position of each list sends.
    static uint32_t baudAt(int index);
    static uint8_t dataBitsAt(int index);
    static uint8_t parityAt(int index);
    static uint8_t stopBitsAt(int index);

public slots:
    void setupShow();
    void getPara();
    void stringCheck(QString text);

signals:
    void connectPara(const QString &port, uint32_t baud, uint8_t dataBits, uint8_t parity, uint8_t stopBits);

protected:
    // Fixed texts follow a language switch.
    void changeEvent(QEvent *event) override;

private:
    void fillPorts();

    Ui::ConnectionSetup *ui;
    QString m_portName;
    int m_portIndex = -1;
};
