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
        s.archiveSquare = tileCount == 0 ? kDarkRed : complete ? kGreen : kFuchsia;
        if (complete) {
            s.completeSquare = kGreen;
            s.partialSquare = kWhite;
            s.emptySquare = kWhite;
        }
        return s;
    }
    s.state = tileCount > 0 ? CassiniWithTiles : CassiniEmpty;
    s.completeSquare = complete ? kGreen : kWhite;
    s.partialSquare = tileCount > 0 && !complete ? kFuchsia : kWhite;
    s.emptySquare = tileCount == 0 ? kDarkRed : kWhite;
    return s;
}
