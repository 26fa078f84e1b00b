#include "dialogs/paraminputdialog.h"
#include "ui_paraminputdialog.h"

#include "definitions/codes.h"
#include "definitions/enumtext.h"
#include "dialogs/prompt.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QRegExpValidator>

namespace {
qint64 limit(const QString &text)
{
    return text.toLongLong(); // a text that does not convert counts as 0
}
} // namespace

ParamInputDialog::ParamInputDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ParamInputDialog)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    ui->lineEdit_Input->setValidator(
        new QRegExpValidator(QRegExp(QStringLiteral("-?[0]?[1-9][0-9]+$")), ui->lineEdit_Input));
    connect(ui->lineEdit_Input, &QLineEdit::textEdited, this, &ParamInputDialog::lineEditInputValid);
    connect(ui->pushButton_OK, &QPushButton::clicked, this, &ParamInputDialog::InputOKCheck);
    // Cancel, like Esc or the title bar's close, leaves the value as it was.
    connect(ui->pushButton_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Name, range and default come from the definition file: plain text.
    for (QLabel *label : {ui->label_Name, ui->label_Range, ui->label_Default})
        label->setTextFormat(Qt::PlainText);
    // The list sits under the entry and stands in for it; choosing a name
    // puts its value into the entry, so OK checks it the same way.
    m_choice = new QComboBox(this);
    m_choice->setObjectName(QStringLiteral("comboBox_Input"));
    m_choice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_choice->hide();
    auto *entry = new QWidget(this);
    auto *entryLayout = new QHBoxLayout(entry);
    entryLayout->setContentsMargins(0, 0, 0, 0);
    ui->formLayout->replaceWidget(ui->lineEdit_Input, entry);
    entryLayout->addWidget(ui->lineEdit_Input);
    entryLayout->addWidget(m_choice);
    connect(m_choice, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { ui->lineEdit_Input->setText(m_choice->itemData(index).toString()); });
}

ParamInputDialog::~ParamInputDialog()
{
    delete ui;
}

QString ParamInputDialog::filterInput(const QString &text, qint64 min, qint64 max)
{
    QString s = text;
    while (s.size() >= 2 && s.startsWith(QLatin1Char('0')))
        s.remove(0, 1);
    if (s == QLatin1String("0") && min != 0 && max != 0 && (0 < min || 0 > max))
        s.clear();
    if (s.startsWith(QLatin1Char('-')) && min >= 0)
        s.clear();
    return Codes::shortenToRange(s, min, max);
}

QString ParamInputDialog::refusal(const QString &input, const QString &current, qint64 min, qint64 max)
{
    if (input.isEmpty())
        return tr("数值为空!");
    if (input == current)
        return tr("数值未变化!");
    bool ok = false;
    const qint64 value = input.toLongLong(&ok, 10);
    if (!ok)
        return tr("数值格式有误!");
    if (value < min)
        return tr("低于下限值!");
    if (value > max)
        return tr("高于上限值!");
    return QString();
}

void ParamInputDialog::setParamInfo(const QStringList &info)
{
    if (info.size() < 7)
        return;
    m_hasParam = true;
    ui->label_Name->setText(info.at(0));
    ui->label_Range->setText(QStringLiteral("%1 ~ %2").arg(info.at(1), info.at(2)));
    ui->lineEdit_Current->setText(info.at(4));
    m_min = info.at(1);
    m_max = info.at(2);
    m_width = info.at(5);
    m_sign = info.at(6);
    ui->lineEdit_Input->clear();
    m_choice->clear();
    bool okMin = false, okMax = false;
    const qint64 min = m_min.toLongLong(&okMin), max = m_max.toLongLong(&okMax);
    const EnumText::Names names = info.size() > 7 ? EnumText::parse(info.at(7)) : EnumText::Names();
    ui->label_Default->setText(EnumText::withName(info.at(3), names));
    const bool listed = okMin && okMax && EnumText::coversRange(names, min, max);
    for (auto it = names.constBegin(); listed && it != names.constEnd(); ++it)
        m_choice->addItem(EnumText::withName(QString::number(it.key()), names), QString::number(it.key()));
    if (listed) {
        // Starts on the current value (OK then says it is unchanged), else
        // the default.
        int at = m_choice->findData(info.at(4).trimmed());
        if (at < 0)
            at = qMax(0, m_choice->findData(info.at(3).trimmed()));
        m_choice->setCurrentIndex(at);
        ui->lineEdit_Input->setText(m_choice->itemData(at).toString());
    }
    m_choice->setVisible(listed);
    ui->lineEdit_Input->setVisible(!listed);
    show();
    adjustSize();
    raise();
    activateWindow();
    if (listed)
        m_choice->setFocus();
    else
        ui->lineEdit_Input->setFocus();
}

QString ParamInputDialog::input() const
{
    return ui->lineEdit_Input->text();
}

void ParamInputDialog::setInput(const QString &text)
{
    ui->lineEdit_Input->setText(text);
}

void ParamInputDialog::lineEditInputValid(QString text)
{
    const QString filtered = filterInput(text, limit(m_min), limit(m_max));
    if (filtered != text)
        ui->lineEdit_Input->setText(filtered);
}

void ParamInputDialog::InputOKCheck()
{
    const QString why = refusal(input(), ui->lineEdit_Current->text(), limit(m_min), limit(m_max));
    if (!why.isEmpty()) {
        Prompt::warning(this, tr("设置异常"), why);
        return;
    }
    emit sendBackSetupValue(input());
    close();
}

void ParamInputDialog::LoadTranslation(QString, bool)
{
    // The parameter on show keeps its texts; only the captions change.
    const QString name = ui->label_Name->text();
    const QString range = ui->label_Range->text();
    const QString defaultValue = ui->label_Default->text();
    ui->retranslateUi(this);
    if (m_hasParam) {
        ui->label_Name->setText(name);
        ui->label_Range->setText(range);
        ui->label_Default->setText(defaultValue);
    }
}
