// The language list on arbitrary file contents.

#include "fuzz/fuzzsupport.h"

#include "app/langfile.h"

FUZZ_TARGET(fuzz_langfile)
{
    Fuzz::setUp();
    static const QString path = Fuzz::scratchDir() + QStringLiteral("/languages.xml");
    Fuzz::writeFile(path, Fuzz::bytesOf(data, size));

    QString error;
    const QMap<QString, LangItemRecord> items = LangFile::read(path, &error);
    // Only items with a code are listed, each under its own code.
    for (auto it = items.cbegin(); it != items.cend(); ++it)
        FUZZ_CHECK(!it.key().isEmpty() && it.key() == it->LangType);
    return 0;
}
