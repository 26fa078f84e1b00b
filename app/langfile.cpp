#include "app/langfile.h"
#include "app/applog.h"
#include "app/regularfile.h"

#include <QFile>
#include <QXmlStreamReader>

namespace LangFile {

namespace {

QString *fieldOf(LangItemRecord &r, const QStringRef &name)
{
    if (name == QLatin1String("LangType"))
        return &r.LangType;
    if (name == QLatin1String("LangInfo"))
        return &r.LangInfo;
    if (name == QLatin1String("LangDlgTitle"))
        return &r.LangDlgTitle;
    if (name == QLatin1String("LangGrpBox1"))
        return &r.LangGrpBox1;
    if (name == QLatin1String("CurLang"))
        return &r.CurLang;
    if (name == QLatin1String("Button1"))
        return &r.Button1;
    if (name == QLatin1String("LangGrpBox2"))
        return &r.LangGrpBox2;
    if (name == QLatin1String("Button2"))
        return &r.Button2;
    return nullptr;
}

} // namespace

QMap<QString, LangItemRecord> read(const QString &path, QString *error)
{
    QMap<QString, LangItemRecord> items;
    QFile file(path);
    QString reason;
    // Never blocks: a FIFO or a device in place of the list is refused.
    if (!RegularFile::openForReading(file, QIODevice::Text, &reason)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, reason);
        return items;
    }
    QXmlStreamReader xml(&file);
    bool started = false;
    LangItemRecord item;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringRef name = xml.name();
            if (name == QLatin1String("LangItem")) {
                if (!started) {
                    started = true;
                    qCDebug(lcWindow) << "********** 开始元素<LangItem> **********";
                    const QString version = xml.attributes().value(QStringLiteral("Version")).toString();
                    if (!version.isEmpty())
                        qCDebug(lcWindow) << QStringLiteral("属性：Version(%1)").arg(version);
                }
                qCDebug(lcWindow) << "********** <LangItem>开始 **********";
                item = LangItemRecord();
            } else if (started) {
                if (QString *field = fieldOf(item, name))
                    *field = xml.readElementText(QXmlStreamReader::SkipChildElements);
            }
        } else if (token == QXmlStreamReader::EndElement && started) {
            const QStringRef name = xml.name();
            if (name == QLatin1String("LangItem")) {
                // An item without a code cannot be chosen.
                if (!item.LangType.isEmpty())
                    items.insert(item.LangType, item);
                qCDebug(lcWindow) << "<LangItem>结束";
            } else if (name == QLatin1String("Language")) {
                qCDebug(lcWindow) << "<Language>结束";
            } else if (name == QLatin1String("Root")) {
                break;
            }
        }
    }
    if (xml.hasError()) {
        const QString text = QStringLiteral("错误信息：%1  行号：%2  列号：%3  字符位移：%4")
                                 .arg(xml.errorString())
                                 .arg(xml.lineNumber())
                                 .arg(xml.columnNumber())
                                 .arg(xml.characterOffset());
        qCWarning(lcWindow).noquote() << path << text;
        if (error)
            *error = text;
    }
    return items;
}

QString shippedLanguage(const QString &code, const QMap<QString, LangItemRecord> &languages)
{
    if (languages.contains(code))
        return code;
    return code.startsWith(QLatin1String("zh")) ? QStringLiteral("zh_CN") : QStringLiteral("en_US");
}

} // namespace LangFile
