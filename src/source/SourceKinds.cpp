// The one table of the kinds of server.
#include "source/SourceKind.h"

namespace source {

extern const SourceKind kDeepZoomKind;
extern const SourceKind kZoomifyKind;
extern const SourceKind kIiifKind;
extern const SourceKind kClassicKind;

const QList<const SourceKind *> &sourceKinds()
{
    static const QList<const SourceKind *> kinds{&kDeepZoomKind, &kZoomifyKind, &kIiifKind, &kClassicKind};
    return kinds;
}

const SourceKind &sourceKind(Kind kind)
{
    for (const SourceKind *entry : sourceKinds())
        if (entry->kind == kind)
            return *entry;
    return kIiifKind;
}

} // namespace source
