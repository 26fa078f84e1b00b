#pragma once

// The faults the drive reported during this session: when each appeared and
// when it cleared, for the fault page's list and its CSV file.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

class FaultHistory
{
public:
    // A session that runs for days with a flapping fault keeps the newest ones.
    static constexpr int kMaxEntries = 1000;

    struct Entry {
        quint16 code = 0;
        QString name;
        QDateTime appeared;
        QDateTime cleared; // invalid while the fault is still reported
        bool linkEnded = false; // the link ended before the fault was seen to clear
    };

    // The drive reports `code` (0: none); true when the list changed. A new
    // code closes the fault before it.
    bool report(quint16 code, const QString &name, const QDateTime &at);
    // The link ended: what was still reported is closed as of then, with its
    // end unknown. True when the list changed.
    bool linkEnded(const QDateTime &at);

    quint16 current() const { return m_open ? m_entries.last().code : 0; }
    const QVector<Entry> &entries() const { return m_entries; }

    // One header line, then one line per fault: code, name, appeared,
    // cleared, note (`linkEndNote` for a fault whose end is unknown).
    QString toCsv(const QStringList &header, const QString &linkEndNote) const;
    static QString timeText(const QDateTime &at);

private:
    void close(const QDateTime &at, bool linkEnded);

    QVector<Entry> m_entries;
    bool m_open = false;
};
