// The parameter definition file reader on arbitrary file contents, and what
// the tool makes of the texts it reads: codes, groups, monitor formats.

#include "fuzz/fuzzsupport.h"

#include "definitions/codes.h"
#include "definitions/definitions.h"
#include "definitions/paramruntime.h"

FUZZ_TARGET(fuzz_definitions)
{
    Fuzz::setUp();
    static const QString path = Fuzz::scratchDir() + QStringLiteral("/definitions.xml");
    Fuzz::writeFile(path, Fuzz::bytesOf(data, size));

    Definitions defs;
    const DefinitionLoad load = readParameterFile(path, defs);
    // A code left out is one the wire could not carry.
    for (const QString &code : load.refused) {
        int group = -1, index = -1;
        FUZZ_CHECK(!Codes::wireNumbers(code, &group, &index));
    }

    // Every parameter is filed under the group its code names, and found by it.
    int count = 0;
    for (int g = 0; g < Definitions::kParamGroups; ++g) {
        for (auto it = defs.paramGroups[size_t(g)].cbegin(); it != defs.paramGroups[size_t(g)].cend(); ++it) {
            FUZZ_CHECK(it.key() == it->ParameterIndex);
            FUZZ_CHECK(Codes::parameterGroup(it.key()) == g);
            FUZZ_CHECK(defs.findParam(it.key()) != nullptr);
            // Every code registered goes out on the wire as itself.
            int group = -1, index = -1;
            FUZZ_CHECK(Codes::wireNumbers(it.key(), &group, &index));
            FUZZ_CHECK(group == g);
            Codes::number(it.key());
            ++count;
        }
    }
    FUZZ_CHECK(count == defs.parameterCount());
    for (int g = 0; g < Definitions::kUnGroups; ++g) {
        for (auto it = defs.unGroups[size_t(g)].cbegin(); it != defs.unGroups[size_t(g)].cend(); ++it) {
            FUZZ_CHECK(it.key() == it->UnDisplayIndex);
            FUZZ_CHECK(Codes::monitorGroup(it.key()) == g);
            int group = -1, index = -1;
            FUZZ_CHECK(Codes::wireNumbers(it.key(), &group, &index) && group == g);
            for (quint32 value : {0u, 1u, 0x8000u, 0xFFFFFFFFu, 0x80000000u})
                Codes::formatMonitorValue(value, it->UnDisplayFormat, it->UnDisplayVarType);
        }
    }
    for (auto it = defs.faultTable.cbegin(); it != defs.faultTable.cend(); ++it)
        FUZZ_CHECK(!it.key().isEmpty() && it.key() == it->FaultWarmCode);
    for (auto it = defs.waveChannels.cbegin(); it != defs.waveChannels.cend(); ++it)
        FUZZ_CHECK(!it.key().isEmpty() && it.key() == it->WaveChIndex);

    // A reload keeps what the user did to every parameter it still defines.
    const ParamRuntime::Snapshot snapshot = ParamRuntime::take(defs);
    FUZZ_CHECK(ParamRuntime::restore(defs, snapshot) == count);
    defs.clear();
    FUZZ_CHECK(defs.parameterCount() == 0);
    return 0;
}
