#pragma once
// Which map sheet: its edition folder, its number (a Cassini sheet 1..182, or an archive
// map's position in the list) and, for an archive map of several sheets, which of them.
// The texts made from it (number, folder suffix) are made where a folder or a caption
// needs them.

#include <QHashFunctions>
#include <QString>

namespace editions {
inline const QString kColour = QStringLiteral("Cassini couleurs");
inline const QString kBlackAndWhite = QStringLiteral("Cassini noir et blanc");
inline const QString kArchive = QStringLiteral("Archives Bnf");
// Item of the edition choice: 0 colour, anything else black and white.
inline QString cassiniFolder(int editionItem) { return editionItem == 0 ? kColour : kBlackAndWhite; }
} // namespace editions

struct SheetId {
    QString edition;     // edition folder: "Cassini couleurs", "Cassini noir et blanc", "Archives Bnf"
    int number = 0;      // 0: no sheet yet
    int sheetIndex = 0;  // 1..100 for a sheet of an archive map; 0 when the folder has no suffix

    static SheetId cassini(const QString &edition, int sheet) { return {edition, sheet, 0}; }
    static SheetId archive(int position, int sheetIndex) { return {editions::kArchive, position, sheetIndex}; }
    // From the texts a folder name is made of; a suffix that is no "\F" + digits gives index 0.
    static SheetId fromTexts(const QString &edition, const QString &number, const QString &folderSuffix);

    bool isEmpty() const { return number <= 0; }
    bool isArchive() const { return edition == editions::kArchive; }
    // The number as folders and captions show it; empty for no sheet.
    QString numberText() const { return number > 0 ? QString::number(number) : QString(); }
    // "\F" + three digits of the sheet index, or empty.
    QString folderSuffix() const;

    SheetId withEdition(const QString &other) const { return {other, number, sheetIndex}; }
    SheetId withNumber(int other) const { return {edition, other, sheetIndex}; }
    SheetId withSheetIndex(int other) const { return {edition, number, other}; }

    friend bool operator==(const SheetId &, const SheetId &) = default;
};

inline size_t qHash(const SheetId &sheet, size_t seed = 0)
{
    return qHashMulti(seed, sheet.edition, sheet.number, sheet.sheetIndex);
}
