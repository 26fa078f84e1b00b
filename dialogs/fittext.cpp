#include "dialogs/fittext.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>

namespace FitText {

namespace {

const char kShown[] = "shownText";

class Elider : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        auto *label = static_cast<QLabel *>(watched);
        const QString whole = label->text();
        const QRect room = label->contentsRect().adjusted(label->margin(), 0, -label->margin(), 0);
        const QString shown = label->fontMetrics().elidedText(whole, Qt::ElideRight, room.width());
        label->setProperty(kShown, shown);
        // The tooltip is ours while the text is cut; one set by others stays.
        if (shown != whole) {
            if (label->toolTip() != whole)
                label->setToolTip(whole);
            m_tip = whole;
        } else if (!m_tip.isEmpty() && label->toolTip() == m_tip) {
            label->setToolTip(QString());
            m_tip.clear();
        }
        if (shown == whole)
            return false;
        QPainter painter(label);
        label->style()->drawItemText(&painter, room, int(QStyle::visualAlignment(label->layoutDirection(), label->alignment())),
                                     label->palette(), label->isEnabled(), shown, label->foregroundRole());
        return true;
    }

private:
    QString m_tip;
};

class Widener : public QObject
{
public:
    explicit Widener(QScrollArea *area)
        : QObject(area)
        , m_area(area)
    {
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show)
            m_area->setMinimumWidth(m_area->widget()->sizeHint().width() + m_area->verticalScrollBar()->sizeHint().width()
                                    + 2 * m_area->frameWidth());
        return false;
    }

private:
    QScrollArea *m_area;
};

} // namespace

void elide(QLabel *label)
{
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    // An explicit minimum is what layouts use instead of the text's width.
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("M…")));
    label->installEventFilter(new Elider(label));
}

void fitColumns(QTableWidget *table)
{
    // Wider than the view, the table scrolls sideways rather than cut.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
}

} // namespace FitText

namespace FitText {

void fitWidth(QScrollArea *area)
{
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->widget()->installEventFilter(new Widener(area));
}

} // namespace FitText
