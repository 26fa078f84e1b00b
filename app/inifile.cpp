#include "app/inifile.h"

#include <QFile>
#include <QFileInfo>

namespace IniFile {

namespace {

// How QSettings decodes the bytes of a value, one character at a time, as far
// as it matters here: quotes give no character (and a closing one swallows
// the blanks after it), "\n" and friends give one fixed character, "\x.."
// and "\0.." give the character of their number, and any other escaped
// character, a line break included, gives nothing.
class ValueReader
{
public:
    static constexpr int kEnd = -1;

    ValueReader(const QByteArray &bytes, int from)
        : m_bytes(bytes)
        , m_at(from)
    {
    }

    // The next character (a UTF-16 unit, or a byte of a multi-byte one) or kEnd.
    int next()
    {
        const int size = m_bytes.size();
        while (m_at < size) {
            const char c = m_bytes.at(m_at);
            if (c == '"') {
                ++m_at;
                m_quoted = !m_quoted;
                if (!m_quoted)
                    skipBlanks();
                continue;
            }
            if (c != '\\')
                return uchar(m_bytes.at(m_at++));
            if (m_at + 1 >= size)
                return kEnd;
            const char e = m_bytes.at(m_at + 1);
            m_at += 2;
            static const char plain[] = "a\ab\bf\fn\nr\rt\tv\v\"\"?\?''\\\\";
            for (int k = 0; plain[k]; k += 2) {
                if (e == plain[k])
                    return uchar(plain[k + 1]);
            }
            // A numeric escape takes every digit that follows; the character
            // is the low 16 bits of the number.
            if (e == 'x' && m_at < size && hexValue(m_bytes.at(m_at)) >= 0) {
                quint32 value = 0;
                for (int d; m_at < size && (d = hexValue(m_bytes.at(m_at))) >= 0; ++m_at)
                    value = value << 4 | quint32(d);
                return int(value & 0xFFFF);
            }
            if (e >= '0' && e <= '7') {
                quint32 value = quint32(e - '0');
                for (; m_at < size && m_bytes.at(m_at) >= '0' && m_bytes.at(m_at) <= '7'; ++m_at)
                    value = value << 3 | quint32(m_bytes.at(m_at) - '0');
                return int(value & 0xFFFF);
            }
            // Anything else escaped is dropped.
        }
        return kEnd;
    }

    void skipBlanks()
    {
        while (m_at < m_bytes.size() && (m_bytes.at(m_at) == ' ' || m_bytes.at(m_at) == '\t'))
            ++m_at;
    }

private:
    static int hexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    const QByteArray &m_bytes;
    int m_at;
    bool m_quoted = false;
};

// Whether the value that starts at `from` could decode to a text starting with
// "@Variant(" or "@DateTime(": the two forms QSettings deserializes with
// QDataStream. Its other '@' forms make plain texts, byte arrays or small
// geometry values.
bool mayStartSerializedValue(const QByteArray &bytes, int from)
{
    for (const char *form : {"@Variant(", "@DateTime("}) {
        ValueReader reader(bytes, from);
        reader.skipBlanks();
        const char *wanted = form;
        while (*wanted && reader.next() == uchar(*wanted))
            ++wanted;
        if (!*wanted)
            return true;
    }
    return false;
}

} // namespace

bool maySpellSerializedValue(const QByteArray &bytes)
{
    if (mayStartSerializedValue(bytes, 0))
        return true;
    for (int i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if ((c == '\n' || c == '\r' || c == '=' || c == ',') && mayStartSerializedValue(bytes, i + 1))
            return true;
    }
    return false;
}

Access check(const QString &path, qint64 maxSize, QString *reason)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Access::Missing;
    auto refuse = [reason](const char *why) {
        if (reason)
            *reason = QString::fromLatin1(why);
        return Access::Refused;
    };
    if (!info.isFile())
        return refuse("not a file");
    if (info.size() > maxSize)
        return refuse("too large");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse("cannot be read");
    // One byte beyond the limit is read, so a file that grew since it was
    // measured is still caught.
    const QByteArray bytes = file.read(maxSize + 1);
    if (bytes.size() > maxSize)
        return refuse("too large");
    if (maySpellSerializedValue(bytes))
        return refuse("could hold a serialized value");
    return Access::Readable;
}

} // namespace IniFile
