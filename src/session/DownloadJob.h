#pragma once
// The running download's own copy of the selection, taken when the run starts, so the
// user may select other maps meanwhile.

#include "session/SheetId.h"

struct DownloadJob {
    SheetId sheet;           // no sheet between runs
    bool running = false;    // from the start of a run to its end: controls that would disturb it are off
};
