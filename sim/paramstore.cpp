#include "sim/paramstore.h"

#include "definitions/codes.h"
#include "definitions/definitions.h"

#include "link/frame.h"

bool ParamStore::load(const Definitions &defs, const QString &path)
{
    m_entries.clear();
    m_byName.clear();
    m_wide = defs.wideValues();
    m_path = path;
    for (const ParamGroup &group : defs.paramGroups) {
        for (const ParamRecord &p : group) {
            int g, i;
            if (!Codes::splitNumbers(p.ParameterIndex, &g, &i) || i > 255)
                continue;
            Entry e;
            e.code = p.ParameterIndex;
            e.min = p.MinValue.toLongLong();
            e.max = p.MaxValue.toLongLong();
            e.value = qBound(e.min, p.DefaultValue.toLongLong(), e.max);
            e.isSigned = m_wide ? p.DataSign == QLatin1String("signed") : p.MinValue.contains(QLatin1Char('-'));
            e.is16Bit = !m_wide || p.DataWidth.contains(QLatin1String("16bit"));
            if (p.ModifyTime == QStringLiteral("只读"))
                e.modify = Modify::ReadOnly;
            else if (p.ModifyTime == QStringLiteral("停机设定"))
                e.modify = Modify::WhileStopped;
            m_entries.insert(key(g, i), e);
            m_byName.insert(p.parametername, key(g, i));
        }
    }
    return !m_entries.isEmpty();
}

bool ParamStore::setByName(const QString &name, qint64 value)
{
    auto it = m_entries.find(m_byName.value(name, 0xFFFF));
    if (it == m_entries.end())
        return false;
    it->value = qBound(it->min, value, it->max);
    return true;
}

qint64 ParamStore::valueByName(const QString &name, qint64 fallback) const
{
    auto it = m_entries.constFind(m_byName.value(name, 0xFFFF));
    return it == m_entries.constEnd() ? fallback : it->value;
}

bool ParamStore::has(int group, int index) const
{
    return m_entries.contains(key(group, index));
}

qint64 ParamStore::value(int group, int index) const
{
    return m_entries.value(key(group, index)).value;
}

void ParamStore::setValue(int group, int index, qint64 value)
{
    auto it = m_entries.find(key(group, index));
    if (it != m_entries.end())
        it->value = value;
}

void ParamStore::remove(int group, int index)
{
    m_entries.remove(key(group, index));
}

void ParamStore::appendItem(QByteArray &items, quint16 k, qint64 value) const
{
    items.append(char(k >> 8));
    items.append(char(k & 0xFF));
    if (m_wide) {
        items.append(char(value >> 24));
        items.append(char(value >> 16));
    }
    items.append(char(value >> 8));
    items.append(char(value));
}

void ParamStore::appendMarker(QByteArray &items) const
{
    items.append(QByteArray(itemSize(), '\0')); // group 0, index 0, value 0
}

QByteArray ParamStore::readRange(const QByteArray &payload) const
{
    if (payload.size() < 5)
        return QByteArray();
    const auto *p = reinterpret_cast<const uint8_t *>(payload.constData());
    const quint16 first = key(p[0], p[1]);
    const quint16 last = key(p[2], p[3]);
    const int count = p[4];
    if (count == 0 || count * itemSize() + FrameFormat::kOverhead > FrameFormat::kMaxLength)
        return QByteArray();
    QByteArray items;
    int answered = 0;
    for (auto it = m_entries.lowerBound(first); it != m_entries.end() && it.key() <= last && answered < count;
         ++it, ++answered)
        appendItem(items, it.key(), it->value);
    for (; answered < count; ++answered)
        appendMarker(items);
    return buildFrame(0x01, 0x01, items);
}

QByteArray ParamStore::readList(const QByteArray &payload) const
{
    const int count = payload.size() / 2;
    if (count == 0 || count * itemSize() + FrameFormat::kOverhead > FrameFormat::kMaxLength)
        return QByteArray();
    const auto *p = reinterpret_cast<const uint8_t *>(payload.constData());
    QByteArray items;
    for (int i = 0; i < count; ++i) {
        const quint16 k = key(p[2 * i], p[2 * i + 1]);
        auto it = m_entries.constFind(k);
        if (it == m_entries.constEnd())
            appendMarker(items);
        else
            appendItem(items, k, it->value);
    }
    return buildFrame(0x02, 0x01, items);
}

void ParamStore::refuse(int group, int index, quint16 result)
{
    m_refusals.insert(key(group, index), result);
}

QByteArray ParamStore::write(const QByteArray &payload, bool servoOn)
{
    const int size = itemSize();
    const int count = payload.size() / size;
    if (count == 0 || count * 4 + FrameFormat::kOverhead > FrameFormat::kMaxLength)
        return QByteArray();
    const auto *p = reinterpret_cast<const uint8_t *>(payload.constData());
    QByteArray results;
    for (int i = 0; i < count; ++i) {
        const uint8_t *item = p + i * size;
        const quint16 k = key(item[0], item[1]);
        quint16 result = Stored;
        auto it = m_entries.find(k);
        if (it == m_entries.end()) {
            result = Missing;
        } else if (m_refusals.contains(k)) {
            result = m_refusals.value(k);
        } else if (it->modify == Modify::ReadOnly) {
            result = ReadOnlyParam;
        } else if (it->modify == Modify::WhileStopped && servoOn) {
            result = StoppedOnly;
        } else {
            qint64 v;
            if (m_wide) {
                const quint32 field = quint32(item[2]) << 24 | quint32(item[3]) << 16 | quint32(item[4]) << 8 | item[5];
                v = it->isSigned ? qint64(qint32(field)) : qint64(field);
            } else {
                const quint16 field = quint16(item[2] << 8 | item[3]);
                v = it->isSigned ? qint64(qint16(field)) : qint64(field);
            }
            if (v > it->max)
                result = AboveMax;
            else if (v < it->min)
                result = BelowMin;
            else
                it->value = v;
        }
        results.append(char(item[0]));
        results.append(char(item[1]));
        results.append(char(result >> 8));
        results.append(char(result & 0xFF));
    }
    return buildFrame(0x03, 0x01, results);
}
