#include "mainwindow/triggerpanel.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

#include <cmath>

TriggerPanel::TriggerPanel(QWidget *parent)
    : QGroupBox(parent)
    , m_mode(new QComboBox(this))
    , m_source(new QComboBox(this))
    , m_edge(new QComboBox(this))
    , m_level(new QDoubleSpinBox(this))
    , m_pre(new QSpinBox(this))
    , m_state(new QLabel(this))
{
    setObjectName(QStringLiteral("groupBox_WF_Trigger"));
    m_mode->setObjectName(QStringLiteral("comboBox_TrigMode"));
    m_source->setObjectName(QStringLiteral("comboBox_TrigSource"));
    m_edge->setObjectName(QStringLiteral("comboBox_TrigEdge"));
    m_level->setObjectName(QStringLiteral("doubleSpinBox_TrigLevel"));
    m_pre->setObjectName(QStringLiteral("spinBox_TrigPre"));
    m_state->setObjectName(QStringLiteral("label_TrigState"));

    // Texts come with the language.
    for (int i = 0; i < 4; ++i)
        m_mode->addItem(QString());
    for (int i = 0; i < 2; ++i)
        m_edge->addItem(QString());
    for (int c = 1; c <= WaveTrigger::kChannels; ++c)
        m_source->addItem(QStringLiteral("CH%1").arg(c));
    setLevelUnit(1);
    m_pre->setRange(0, WaveTrigger::kMaxPreTrigger);
    m_pre->setValue(10);
    m_pre->setSuffix(QStringLiteral(" %"));
    m_state->setTextFormat(Qt::PlainText);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(3);
    for (auto &label : m_labels)
        label = new QLabel(this);
    grid->addWidget(m_labels[0], 0, 0);
    grid->addWidget(m_mode, 0, 1);
    grid->addWidget(m_source, 0, 2);
    grid->addWidget(m_edge, 0, 3);
    grid->addWidget(m_labels[1], 1, 0);
    grid->addWidget(m_level, 1, 1);
    grid->addWidget(m_labels[2], 1, 2);
    grid->addWidget(m_pre, 1, 3);
    grid->addWidget(m_labels[3], 2, 0);
    grid->addWidget(m_state, 2, 1, 1, 3);
    retranslate();

    for (QComboBox *list : {m_mode, m_source, m_edge})
        connect(list, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &TriggerPanel::changed);
    connect(m_level, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &TriggerPanel::changed);
    connect(m_pre, QOverload<int>::of(&QSpinBox::valueChanged), this, &TriggerPanel::changed);
}

void TriggerPanel::retranslate()
{
    setTitle(tr("触发"));
    const QString modes[] = {tr("关闭"), tr("自动"), tr("正常"), tr("单次")};
    for (int i = 0; i < 4; ++i)
        m_mode->setItemText(i, modes[i]);
    m_edge->setItemText(0, tr("上升沿"));
    m_edge->setItemText(1, tr("下降沿"));
    m_labels[0]->setText(tr("模式"));
    m_labels[1]->setText(tr("电平"));
    m_labels[2]->setText(tr("预触发"));
    m_labels[3]->setText(tr("状态"));
    m_mode->setToolTip(tr("关闭：连续采样；自动：无触发时也刷新；正常：只显示触发的波形；单次：触发一次后停止"));
    m_source->setToolTip(tr("触发信源通道"));
    m_level->setToolTip(tr("触发电平，单位为信源通道的单位（原始值乘以通道系数）"));
    m_pre->setToolTip(tr("触发点之前的波形占窗口的比例；窗口长度即时间轴旋钮所示的宽度"));
    showState(m_shownState, m_freeRunning);
}

void TriggerPanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QGroupBox::changeEvent(event);
}

WaveTrigger::Mode TriggerPanel::mode() const
{
    return WaveTrigger::Mode(qMax(0, m_mode->currentIndex()));
}

int TriggerPanel::source() const
{
    return qMax(0, m_source->currentIndex());
}

WaveTrigger::Edge TriggerPanel::edge() const
{
    return m_edge->currentIndex() == 1 ? WaveTrigger::Falling : WaveTrigger::Rising;
}

double TriggerPanel::level() const
{
    return m_level->value();
}

void TriggerPanel::setLevelUnit(double coefficient)
{
    const double unit = std::abs(coefficient);
    const int decimals = qBound(0, int(std::ceil(-std::log10(unit) - 1e-9)), 4);
    // Only what the channel sets: the level the engineer chose stays as far as it fits.
    const QSignalBlocker block(m_level);
    m_level->setDecimals(decimals);
    m_level->setRange(-32768 * unit, 32767 * unit);
    m_level->setSingleStep(std::pow(10.0, -decimals));
}

int TriggerPanel::preTrigger() const
{
    return m_pre->value();
}

void TriggerPanel::showState(WaveTrigger::State state, bool freeRunning)
{
    m_shownState = state;
    m_freeRunning = freeRunning && state == WaveTrigger::Armed;
    const QString texts[] = {QString(), tr("等待触发"), tr("已触发"), tr("已停止")};
    m_state->setText(m_freeRunning ? tr("自由运行（无触发）") : texts[state]);
}
