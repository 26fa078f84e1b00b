#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;

namespace Ui {
class ParamInputDialog;
}

// Takes a new value for one parameter, checked against its range. Nothing
// goes to the drive here: the value travels with the next download.
class ParamInputDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ParamInputDialog(QWidget *parent = nullptr);
    ~ParamInputDialog() override;

    // The input as the filter leaves it while the user types.
    static QString filterInput(const QString &text, qint64 min, qint64 max);
    // Why an input is refused when OK is pressed; empty when it is taken.
    static QString refusal(const QString &input, const QString &current, qint64 min, qint64 max);

    // Opens the dialog for a parameter: name, minimum, maximum, default,
    // current value, data width, data sign (ignored with fewer entries), and
    // optionally its description: when that names every value of the range,
    // the value is chosen from a list of the names instead of typed.
    void setParamInfo(const QStringList &info);
    QString input() const;
    void setInput(const QString &text);

public slots:
    void lineEditInputValid(QString text);
    void InputOKCheck();
    void LoadTranslation(QString lang, bool save);

signals:
    void sendBackSetupValue(QString value);

private:
    Ui::ParamInputDialog *ui;
    QComboBox *m_choice; // the named values, when the description lists them all
    bool m_hasParam = false; // a parameter's texts are on show
    QString m_min, m_max, m_width, m_sign;
};
