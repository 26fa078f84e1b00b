#pragma once

#include <QDateTime>
#include <QDialog>
#include <QStringList>
#include <cstdint>

class QStringListModel;

namespace Ui {
class ConnectData;
}

// The traffic monitor: the last hundred frames sent to and received from the
// drive, as time-stamped hexadecimal lines, with pause, clear and save.
class ConnectData : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kMaxLines = 100;

    explicit ConnectData(QWidget *parent = nullptr);
    ~ConnectData() override;

    // "yyyy-MM-dd hh:mm:ss     Tx:  7e 0e ..." for direction 0, "Rx: " for 1.
    static QString trafficLine(const QDateTime &when, const uint8_t *data, int length, uint8_t direction);

    const QStringList &lines() const { return m_lines; }
    bool paused() const { return m_paused; }

public slots:
    void diaShow();
    void showComTRData(uint8_t *data, uint8_t length, uint8_t direction);
    void dataStop();
    void dataOpen();
    void dataClear();
    void dataSave();

signals:
    void comDataEnd(uint8_t);

protected:
    // Fixed texts follow a language switch.
    void changeEvent(QEvent *event) override;

private:
    void refresh();

    Ui::ConnectData *ui;
    QStringListModel *m_model;
    QStringList m_lines;
    bool m_paused = false;
};
