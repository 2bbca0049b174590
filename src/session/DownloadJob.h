#pragma once
// The running download's own copy of the selection, taken when the run starts, so the
// user may select other maps meanwhile; with the run's URL template, its position in the
// tile rectangle and its stop flag.

#include <QString>

struct DownloadJob {
    QString editionFolder;
    QString sheetNumber;
    QString folderSuffix;
    QString documentNumber;
    QString urlTemplate;     // the tile URL with "**" in the place of the tile code
    int columnPosition = 0;  // letter number (1 = "A") of the current tile's column
    int rowPosition = 0;     // letter number of its row; past the last row once exhausted
    int tileCursor = -1;     // row of the download list that belongs to the current tile
    QString tileCode;        // the current tile's code
    QString tileUrl;         // the URL of the current request
    bool stopRequested = false;
    bool running = false;    // from the start of a run to its end: controls that would disturb it are off

    void clearSheet()
    {
        editionFolder.clear();
        sheetNumber.clear();
        folderSuffix.clear();
    }
};
