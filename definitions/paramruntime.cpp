#include "definitions/paramruntime.h"

namespace ParamRuntime {

Snapshot take(const Definitions &defs)
{
    Snapshot snapshot;
    for (const ParamGroup &group : defs.paramGroups)
        for (const ParamRecord &p : group)
            snapshot.insert(p.ParameterIndex, {p.currentValue, p.state, p.changeText});
    return snapshot;
}

int restore(Definitions &defs, const Snapshot &snapshot)
{
    int restored = 0;
    for (ParamGroup &group : defs.paramGroups) {
        for (ParamRecord &p : group) {
            const auto it = snapshot.constFind(p.ParameterIndex);
            if (it == snapshot.constEnd())
                continue;
            p.currentValue = it->currentValue;
            p.state = it->state;
            p.changeText = it->changeText;
            ++restored;
        }
    }
    return restored;
}

} // namespace ParamRuntime
