#include "mainwindow/faulthistory.h"
#include "mainwindow/csvfield.h"

bool FaultHistory::report(quint16 code, const QString &name, const QDateTime &at)
{
    if (code == current())
        return false;
    if (m_open)
        close(at, false);
    if (code == 0)
        return true;
    if (m_entries.size() >= kMaxEntries)
        m_entries.removeFirst();
    m_entries.append(Entry{code, name, at, QDateTime(), false});
    m_open = true;
    return true;
}

bool FaultHistory::linkEnded(const QDateTime &at)
{
    if (!m_open)
        return false;
    close(at, true);
    return true;
}

void FaultHistory::close(const QDateTime &at, bool linkEnded)
{
    m_entries.last().cleared = at;
    m_entries.last().linkEnded = linkEnded;
    m_open = false;
}

QString FaultHistory::timeText(const QDateTime &at)
{
    return at.isValid() ? at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QString FaultHistory::toCsv(const QStringList &header, const QString &linkEndNote) const
{
    QStringList lines;
    QStringList fields;
    for (const QString &h : header)
        fields << csvField(h);
    lines << fields.join(QLatin1Char(','));
    for (const Entry &e : m_entries) {
        lines << QStringList{QString::number(e.code), csvField(e.name), timeText(e.appeared), timeText(e.cleared),
                             e.linkEnded ? csvField(linkEndNote) : QString()}
                     .join(QLatin1Char(','));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
