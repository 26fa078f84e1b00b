#pragma once

#include <QDialog>
#include <QStringList>

namespace Ui {
class ParamLoadSelDialog;
}

// Shown after a drive was identified on connect: who the drive is, and where
// the parameter table is filled from (the drive, a local file, or nothing).
class ParamLoadSelDialog : public QDialog
{
    Q_OBJECT

public:
    // What paramSrcSel carries.
    enum Source { NoLoad = 0, FromServo = 1, FromFile = 2 };

    explicit ParamLoadSelDialog(QWidget *parent = nullptr);
    ~ParamLoadSelDialog() override;

    // Model, firmware version, production serial number, motor model.
    void setDeviceInfo(const QStringList &info);
    QString deviceInfo(int column) const;

signals:
    void paramSrcSel(int source);
    void dlgClose();

public slots:
    void buttonOkCB();
    void LoadTranslation(QString lang, bool save);

protected:
    void done(int result) override;

private:
    Ui::ParamLoadSelDialog *ui;
};
