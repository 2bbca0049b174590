#include "catalogue/InstallationStatus.h"
#include "session/SelectionState.h"
#include "store/TileStore.h"

QColor colours::forCheckedSheet(int jpgEntries, int complete)
{
    if (jpgEntries <= 0)
        return kDarkRed;
    return jpgEntries >= complete ? kGreen : kFuchsia;
}

InstallationStatus installationStatus(int tileCount, bool archive, int wholeSheet)
{
    using namespace colours;
    InstallationStatus s;
    const bool complete = tileCount >= wholeSheet;
    if (archive) {
        s.state = tileCount > 0 ? ArchiveWithTiles : ArchiveEmpty;
        s.shape69 = tileCount == 0 ? kDarkRed : complete ? kGreen : kFuchsia;
        if (complete) {
            s.shape2 = kGreen;
            s.shape19 = kWhite;
            s.shape18 = kWhite;
        }
        return s;
    }
    s.state = tileCount > 0 ? CassiniWithTiles : CassiniEmpty;
    s.shape2 = complete ? kGreen : kWhite;
    s.shape19 = tileCount > 0 && !complete ? kFuchsia : kWhite;
    s.shape18 = tileCount == 0 ? kDarkRed : kWhite;
    return s;
}
