#pragma once
// The one program-wide record of the map the user has selected.

#include <QString>

namespace editions {
inline const QString kColour = QStringLiteral("Cassini couleurs");
inline const QString kBlackAndWhite = QStringLiteral("Cassini noir et blanc");
inline const QString kArchive = QStringLiteral("Archives Bnf");
// Item of the edition choice: 0 colour, anything else black and white.
inline QString cassiniFolder(int editionItem) { return editionItem == 0 ? kColour : kBlackAndWhite; }
} // namespace editions

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

    bool isArchive() const { return editionFolder == editions::kArchive; }
    // "Carte n° " + sheet + suffix + " ( " + edition + " )", as page captions and printed
    // headers name the sheet.
    QString sheetCaption() const
    {
        return QStringLiteral("Carte n° ") + sheetNumber + folderSuffix + QStringLiteral(" ( ") + editionFolder
               + QStringLiteral(" )");
    }
};
