#pragma once

// The parameter comparison window: the parameters whose values differ
// between the drive and a parameter file, or between two files, with ticks
// for the values that may be written to the drive.

#include "mainwindow/paramdiff.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;
class QTableWidget;

class ParamDiffDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ParamDiffDialog(QWidget *parent = nullptr);

    // Shows `rows`. With `toDrive` the left side is the drive and the right
    // values of writable parameters can be ticked for writing.
    void setComparison(const QList<ParamDiff::Row> &rows, const QString &leftName, const QString &rightName,
                       bool toDrive);
    const QList<ParamDiff::Row> &rows() const { return m_rows; }
    QString leftName() const { return m_leftName; }
    QString rightName() const { return m_rightName; }
    bool toDrive() const { return m_toDrive; }
    QStringList tickedCodes() const;

signals:
    void compareWithDrive();
    void compareFiles();
    void writeTicked(QStringList codes);
    void exportCsv();

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void fill();

    QLabel *m_sources;
    QTableWidget *m_table;
    QPushButton *m_driveButton;
    QPushButton *m_filesButton;
    QPushButton *m_writeButton;
    QPushButton *m_exportButton;
    QList<ParamDiff::Row> m_rows;
    QString m_leftName;
    QString m_rightName;
    bool m_toDrive = false;
};
