#pragma once
// The running download's own copy of the selection, taken when the run starts, so the
// user may select other maps meanwhile.

#include <QString>

struct DownloadJob {
    QString editionFolder;
    QString sheetNumber;
    QString folderSuffix;
    QString documentNumber;
    QString urlTemplate;
    int tilePosition = 0;
    int listCursor = 0;
    bool stopRequested = false;
    bool running = false;
};
