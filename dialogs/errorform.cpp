#include "dialogs/errorform.h"
#include "ui_errorform.h"

#include <QEvent>

#include <QDateTime>
#include <QMenu>
#include <QStringListModel>

errorForm::errorForm(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::errorForm)
    , m_model(new QStringListModel(this))
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    ui->listView->setModel(m_model);
    connect(ui->listView, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        QMenu menu(this);
        menu.addAction(tr("清空列表"), this, &errorForm::ClearListViewDisplay);
        menu.exec(ui->listView->viewport()->mapToGlobal(at));
    });
}

errorForm::~errorForm()
{
    delete ui;
}

void errorForm::showError(QString message)
{
    m_messages.append(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss: ")) + message);
    refresh();
}

void errorForm::ClearListViewDisplay()
{
    m_messages.clear();
    refresh();
}

void errorForm::refresh()
{
    m_model->setStringList(m_messages);
    ui->listView->scrollToBottom();
}

void errorForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
