// Parameter files (.conf) on arbitrary file contents: reading one, loading
// its values into the definitions of the shipped model, and finding it as
// the reference set of its model in a folder.

#include "fuzz/fuzzsupport.h"

#include "definitions/definitions.h"
#include "mainwindow/paramfile.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace {

// The shipped Chinese definitions, every parameter at its default as after
// reading a drive in factory state.
const Definitions &shippedDefinitions()
{
    static const Definitions defs = [] {
        Definitions d;
        readParameterFile(QStringLiteral(SERVO_DATA_DIR "/ParameterFile/zh_CN_Parameter.xml"), d);
        if (d.parameterCount() == 0) {
            std::fprintf(stderr, "no definitions in " SERVO_DATA_DIR "/ParameterFile/zh_CN_Parameter.xml\n");
            std::abort();
        }
        for (ParamGroup &group : d.paramGroups)
            for (ParamRecord &p : group)
                p.currentValue = p.DefaultValue;
        return d;
    }();
    return defs;
}

} // namespace

FUZZ_TARGET(fuzz_paramfile)
{
    Fuzz::setUp();
    const Definitions &shipped = shippedDefinitions();

    static const QString folder = [] {
        const QString path = Fuzz::scratchDir() + QStringLiteral("/ParameterCompare");
        QDir().mkpath(path);
        return path;
    }();
    static const QString name = QStringLiteral("input.conf");
    static const QString path = folder + QLatin1Char('/') + name;
    Fuzz::writeFile(path, Fuzz::bytesOf(data, size));
    Fuzz::stampFresh(path);

    const ParamFile::Contents contents = ParamFile::read(path);

    Definitions defs = shipped;
    const ParamFile::ImportResult result = ParamFile::apply(contents, defs);
    FUZZ_CHECK(result.changed >= 0 && result.changed <= result.present);
    int changed = 0;
    for (int g = 0; g < Definitions::kParamGroups; ++g) {
        const ParamGroup &group = defs.paramGroups[size_t(g)];
        const ParamGroup &shippedGroup = shipped.paramGroups[size_t(g)];
        FUZZ_CHECK(group.size() == shippedGroup.size());
        for (auto it = group.cbegin(), before = shippedGroup.cbegin(); it != group.cend(); ++it, ++before) {
            const ParamRecord &p = it.value();
            FUZZ_CHECK(it.key() == before.key());
            if (p.currentValue == before->currentValue)
                continue;
            // Only a value from the file that the drive can hold comes in.
            ++changed;
            FUZZ_CHECK(p.currentValue == contents.values.value(p.ParameterIndex));
            FUZZ_CHECK(ParamFile::transferable(p.currentValue, defs.wideValues()));
            FUZZ_CHECK(p.state & ParamState::Changed);
            // Ticked for download only within the parameter's limits.
            FUZZ_CHECK(bool(p.state & ParamState::Checked) == ParamFile::withinLimits(p.currentValue, p));
            FUZZ_CHECK(result.outOfRange.contains(p.ParameterIndex) != ParamFile::withinLimits(p.currentValue, p));
        }
    }
    FUZZ_CHECK(changed == result.changed);
    // A file cut short gives nothing at all.
    if (contents.status != ParamFile::Contents::Ok)
        FUZZ_CHECK(contents.values.isEmpty() && contents.model.isEmpty() && result.present == 0);
    for (const QString &code : result.refused)
        FUZZ_CHECK(!ParamFile::transferable(contents.values.value(code), defs.wideValues()));

    const ParamCompare::Differences differences = ParamCompare::markDefaults(defs);
    FUZZ_CHECK(differences.diffCodes.size() <= differences.allCodes.size());
    const ParamCompare::Match match =
        ParamCompare::findReference(folder, contents.model, contents.version, differences.allCodes, defs);
    // The only file there is the one just read, and it is read the same way again.
    FUZZ_CHECK(match.file == name);
    FUZZ_CHECK(match.count >= 0 && match.count <= differences.allCodes.size());
    FUZZ_CHECK(match.success == (match.count > 0 && match.count == differences.allCodes.size()));
    return 0;
}
