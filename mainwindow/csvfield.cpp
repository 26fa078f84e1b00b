#include "mainwindow/csvfield.h"

QString csvField(const QString &text)
{
    const bool plain = !text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
                       && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))
                       && (text.isEmpty() || (!text.front().isSpace() && !text.back().isSpace()));
    if (plain)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
