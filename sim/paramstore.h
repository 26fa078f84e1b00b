#pragma once

// The parameters a simulated drive holds: one value per parameter of a
// definition file, starting at its default, with the limits and the rules
// of when it may be written.

#include <QByteArray>
#include <QMap>
#include <QString>

struct Definitions;

class ParamStore
{
public:
    enum class Modify { AnyTime, WhileStopped, ReadOnly };

    struct Entry {
        QString code;
        qint64 value = 0;
        qint64 min = 0;
        qint64 max = 0;
        bool isSigned = false;
        bool is16Bit = true;
        Modify modify = Modify::AnyTime;
    };

    // Result codes of a write.
    enum Result : quint16 { Stored = 0, AboveMax = 1, BelowMin = 2, StoppedOnly = 4, Missing = 8, ReadOnlyParam = 16 };

    // Takes the parameters of a definition file; false when it holds none.
    bool load(const Definitions &defs, const QString &path);
    // Sets the value of the parameter with this name, within its limits.
    bool setByName(const QString &name, qint64 value);
    // The value of the parameter with this name; `fallback` when there is none.
    qint64 valueByName(const QString &name, qint64 fallback) const;
    bool isEmpty() const { return m_entries.isEmpty(); }
    int size() const { return m_entries.size(); }
    // "V1.1": 32-bit value fields; otherwise 16-bit ones.
    bool wide() const { return m_wide; }
    QString sourcePath() const { return m_path; }

    bool has(int group, int index) const;
    qint64 value(int group, int index) const;
    void setValue(int group, int index, qint64 value);
    void remove(int group, int index);
    // From now on every write of this parameter is answered with `result`
    // (one of Result but Stored) and the value stays.
    void refuse(int group, int index, quint16 result);
    const QMap<quint16, Entry> &entries() const { return m_entries; }

    // Replies to the three parameter commands; empty when the request
    // cannot be answered in one frame.
    QByteArray readRange(const QByteArray &payload) const;
    QByteArray readList(const QByteArray &payload) const;
    QByteArray write(const QByteArray &payload, bool servoOn);

private:
    static quint16 key(int group, int index) { return quint16(group << 8 | index); }
    void appendItem(QByteArray &items, quint16 key, qint64 value) const;
    void appendMarker(QByteArray &items) const;
    int itemSize() const { return m_wide ? 6 : 4; }

    QMap<quint16, Entry> m_entries;
    QMap<QString, quint16> m_byName;
    QMap<quint16, quint16> m_refusals;
    bool m_wide = true;
    QString m_path;
};
