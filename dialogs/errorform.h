#pragma once

#include <QStringList>
#include <QWidget>

class QStringListModel;

namespace Ui {
class errorForm;
}

// Collects time-stamped error messages the main window reports.
class errorForm : public QWidget
{
    Q_OBJECT

public:
    explicit errorForm(QWidget *parent = nullptr);
    ~errorForm() override;

    const QStringList &messages() const { return m_messages; }

public slots:
    void showError(QString message);
    void ClearListViewDisplay();

protected:
    // Fixed texts follow a language switch.
    void changeEvent(QEvent *event) override;

private:
    void refresh();

    Ui::errorForm *ui;
    QStringListModel *m_model;
    QStringList m_messages;
};
