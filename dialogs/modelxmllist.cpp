#include "dialogs/modelxmllist.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

ModelXmlList::ModelXmlList(QWidget *parent)
    : QDialog(parent)
    , m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("ModelXmlList"));
    m_list->setObjectName(QStringLiteral("listWidget_ModelXml"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Close, this);
    m_load = buttons->button(QDialogButtonBox::Ok);
    retranslate();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &ModelXmlList::choose);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { choose(m_list->currentItem()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(360, 420);
}

void ModelXmlList::retranslate()
{
    setWindowTitle(tr("参数定义文件测试"));
    m_load->setText(tr("载入"));
}

void ModelXmlList::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void ModelXmlList::setFiles(const QStringList &names)
{
    m_list->clear();
    m_list->addItems(names);
    if (!names.isEmpty())
        m_list->setCurrentRow(0);
}

QStringList ModelXmlList::files() const
{
    QStringList names;
    for (int i = 0; i < m_list->count(); ++i)
        names.append(m_list->item(i)->text());
    return names;
}

void ModelXmlList::choose(QListWidgetItem *item)
{
    // The dialog stays open, so that one file after another can be tried.
    if (item)
        emit selectFiles(item->text());
}

QStringList ModelXmlList::findXmlFiles(const QString &root)
{
    QStringList found;
    const QDir dir(root);
    // Symbolic links to folders are not followed, so that a link loop cannot
    // make the search endless.
    const QStringList folders =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::Hidden, QDir::Name);
    for (const QString &folder : folders)
        found += findXmlFiles(root + QLatin1Char('/') + folder);
    for (const QString &file : dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
        found.append(root + QLatin1Char('/') + file);
    return found;
}

QStringList ModelXmlList::definitionFiles(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths) {
        if (path.contains(QLatin1String("_Parameter_")))
            names.append(path.section(QLatin1Char('/'), -1));
    }
    return names;
}
