#pragma once

// Reading the monitor variables: marking a query cycle, building batches of
// consecutive items, decoding replies, and the alarm tooltips.

#include "definitions/definitions.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QStringList>

class MonitorQuery
{
    Q_DECLARE_TR_FUNCTIONS(MonitorQuery)

public:
    // A batch stops once it spans more than this many items.
    static constexpr int kMaxSpan = 32;

    enum : quint16 { Shown = 0x0001, ToQuery = 0x0002 };

    struct Batch {
        QStringList codes; // the marked codes it covers, first to last
        int count = 0;     // items from first to last, marked or not
        QByteArray payload;
        int rxLen = 0;
        bool ok = false;   // false: nothing to send, or a code that does not split
    };

    // A query cycle: every shown item is marked, and the cycle remembers
    // which items replies have left out.
    void startCycle(Definitions &defs);
    Batch nextBatch(const Definitions &defs) const;
    // Stores the values a reply holds and unmarks them; an item a reply
    // covered without it is asked for once more, then given up for this
    // cycle. Returns the codes the reply held a value for.
    QStringList takeReply(const QByteArray &payload, const Batch &sent, Definitions &defs);

    // The value cell's tooltip of an item: a fault's texts for an alarm code.
    static QString alarmTooltip(const UnDisplayRecord &item, const Definitions &defs);

private:
    QHash<QString, int> m_misses;
};
