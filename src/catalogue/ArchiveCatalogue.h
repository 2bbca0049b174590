#pragma once
// The catalogue of the library's archive maps: 1924 titles in a fixed order. A map's
// position in the list (1..1924) is its sheet number and the number of its folder; its
// document number at the library is position + 10000.

#include <QString>
#include <QStringList>
#include <optional>

namespace archive {

constexpr int kTitleCount = 1924;
constexpr int kDocumentBase = 10000;
// Sheet index of a multi-sheet map.
constexpr int kMinSheetIndex = 1;
constexpr int kMaxSheetIndex = 100;

// Name of the file beside the program that replaces the built-in list.
inline const QString kTitleFileName = QStringLiteral("archive-titles.txt");

// Document number of a position, as decimal text ("10001" for position 1).
QString documentNumber(int position);

// Folder suffix from the text of the sheet index field: "\F00" + one digit, "\F0" + two
// digits, "\F" + three digits. Any other text, and an index outside 1..100, keeps
// `previous`, so nothing but a valid index reaches a folder name. Every archive map folder
// takes its suffix from here.
QString sheetIndexSuffix(const QString &indexText, const QString &previous);
// The sheet index of the field's text (one to three digits, 1..100), else `previous`.
int sheetIndex(const QString &indexText, int previous);

// Upper-cases the letters a to z only; every other character (accented letters among
// them) stays as it is.
QString asciiUpper(const QString &text);
// Whether `text` occurs in `title` after both went through asciiUpper. An empty text
// matches nothing.
bool titleMatches(const QString &title, const QString &text);

// The lines of a title file: one title per line, UTF-8 (a file that is not valid UTF-8 is
// read as Latin-1), "\n" or "\r\n" line ends, a final line end optional. Nothing when the
// file cannot be read or does not hold exactly `kTitleCount` lines.
std::optional<QStringList> readTitleFile(const QString &path);

class ArchiveCatalogue {
public:
    // The built-in list.
    ArchiveCatalogue();
    explicit ArchiveCatalogue(QStringList titles);

    // The built-in list, or the file archive-titles.txt of the first of `folders` that
    // holds one of exactly 1924 lines.
    static ArchiveCatalogue load(const QStringList &folders);

    const QStringList &titles() const { return m_titles; }
    // The maps added by the user follow the catalogue's own titles (positions 1925 and on).
    void setAddedTitles(const QStringList &titles);
    int catalogueCount() const { return m_catalogueCount; }
    int count() const { return int(m_titles.size()); }
    // Title of a 1-based position; empty outside the list.
    QString title(int position) const;
    // Where the list came from: empty for the built-in list, else the file's path.
    const QString &source() const { return m_source; }

    // 0-based index of the first row at or after `fromIndex` whose title matches `text`
    // (see titleMatches); -1 when none does. The scan never wraps around.
    int find(const QString &text, int fromIndex) const;

private:
    QStringList m_titles;
    int m_catalogueCount = 0;
    QString m_source;
};

} // namespace archive
