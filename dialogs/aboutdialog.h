#pragma once

#include "link/frame.h"

#include <QDialog>

namespace Ui {
class aboutDialog;
}

// The about box: product title, version, release date and patch, the
// drive's software version when it has been asked for, and the notices of
// the libraries the tool uses.
class aboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit aboutDialog(QWidget *parent = nullptr);
    ~aboutDialog() override;

    void setVersionTexts(const QString &version, const QString &date, const QString &patch);
    // The page the license button opens.
    static QString licensePageUrl();

public slots:
    void diaShow();
    void setSoftWare(Frame reply);
    void LoadTranslation(QString lang, bool save);
    // The connected drive (all empty when there is none).
    void setDeviceInfo(QString model, QString version, QString serial);

private slots:
    void on_pushbutton_license_clicked();

protected:
    void done(int result) override;

private:
    Ui::aboutDialog *ui;
    void showDeviceInfo();

    QString m_softwareParts[2];
    QString m_device[3]; // model, version, serial number
    class QLabel *m_deviceCaption = nullptr;
    class QLabel *m_deviceValue = nullptr;
    class QLabel *m_serialCaption = nullptr;
    class QLabel *m_serialValue = nullptr;
};
