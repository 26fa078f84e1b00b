#pragma once

#include <QByteArray>
#include <QDialog>

namespace Ui {
class showSrvDebugInfo;
}

// Shows the free-form debug text the drive's CPU and CM send on HID streams
// 3 and 4, time-stamped, in arrival order.
class showSrvDebugInfo : public QDialog
{
    Q_OBJECT

public:
    explicit showSrvDebugInfo(QWidget *parent = nullptr);
    ~showSrvDebugInfo() override;

    // "【hh:mm:ss.zzz】: CM: text"; the text ends at the first zero byte. An
    // empty result for an id that is neither 0 (CPU) nor 1 (CM).
    static QString debugLine(const QString &time, int id, const QByteArray &data);

    QString text() const;

public slots:
    void showServoDebugInfo(int id, QByteArray data);
    void appendInfo(QString s);

protected:
    // Fixed texts follow a language switch.
    void changeEvent(QEvent *event) override;

private:
    Ui::showSrvDebugInfo *ui;
};
