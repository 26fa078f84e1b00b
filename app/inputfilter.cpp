#include "app/inputfilter.h"

namespace InputFilter {

QString dropTrailingNonNumber(const QString &text, bool integerOnly)
{
    if (text.isEmpty() || text.endsWith(QLatin1Char('-')) || text.endsWith(QLatin1Char('+')))
        return text;
    bool ok = false;
    if (integerOnly)
        text.toLongLong(&ok);
    else
        text.toDouble(&ok);
    return ok ? text : text.left(text.size() - 1);
}

} // namespace InputFilter
