#pragma once
// The one program-wide record of the map the user has selected. Its sheet fields are the
// texts of a SheetId, written only by AppContext::select(); pages read them.

#include "session/SheetId.h"

#include <QString>

// Values of SelectionState::installationState.
enum InstallationState {
    ArchiveEmpty = 10,
    ArchiveWithTiles = 11,
    CassiniEmpty = 20,
    CassiniWithTiles = 21,
};

struct SelectionState {
    QString editionFolder;   // "Cassini couleurs", "Cassini noir et blanc" or "Archives Bnf"
    QString sheetNumber;     // "1".."182", or an archive position
    QString folderSuffix;    // empty, or "\F" + three digits for an archive map
    QString documentNumber;  // five digits, or empty
    int installationState = 0;

    SheetId sheet() const { return SheetId::fromTexts(editionFolder, sheetNumber, folderSuffix); }
    bool isArchive() const { return editionFolder == editions::kArchive; }
    // "Carte n° " + sheet + suffix + " ( " + edition + " )", as page captions and printed
    // headers name the sheet.
    QString sheetCaption() const
    {
        return QStringLiteral("Carte n° ") + sheetNumber + folderSuffix + QStringLiteral(" ( ") + editionFolder
               + QStringLiteral(" )");
    }
};
