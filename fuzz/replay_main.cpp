// Runs one fuzz target over kept inputs, for the test suite:
//   fuzz_replay TARGET FOLDER_OR_FILE...
// Every file in the given folders (not below them; names starting with a dot
// are skipped) is one input; a folder that does not exist is skipped, but
// there must be inputs. A failing input aborts the program, which names the
// input it was running first.

#include "fuzz/fuzzsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: %s TARGET FOLDER_OR_FILE...\ntargets: %s\n", argv[0],
                     qPrintable(fuzzTargetNames().join(QLatin1Char(' '))));
        return 2;
    }
    const FuzzEntry entry = findFuzzTarget(args.at(1));
    if (!entry) {
        std::fprintf(stderr, "no target %s; there are: %s\n", qPrintable(args.at(1)),
                     qPrintable(fuzzTargetNames().join(QLatin1Char(' '))));
        return 2;
    }

    QStringList inputs;
    for (const QString &arg : args.mid(2)) {
        const QFileInfo info(arg);
        if (info.isDir()) {
            const QDir dir(arg);
            for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
                inputs.append(dir.filePath(name));
        } else if (info.isFile()) {
            inputs.append(arg);
        } else {
            // A target without former findings has no folder of them.
            std::fprintf(stderr, "%s: no such file or folder, skipped\n", qPrintable(arg));
        }
    }
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "no inputs in %s\n", qPrintable(args.mid(2).join(QLatin1Char(' '))));
        return 2;
    }

    for (const QString &path : inputs) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(file.errorString()));
            return 2;
        }
        const QByteArray bytes = file.readAll();
        std::fprintf(stderr, "%s\n", qPrintable(path));
        entry(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    }
    std::printf("%s: %d inputs passed\n", qPrintable(args.at(1)), int(inputs.size()));
    return 0;
}
