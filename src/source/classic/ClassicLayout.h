#pragma once
// The library's old paths of its tile server, both ways: the program writes them to ask for
// a sheet's tiles; the tile server and the nginx configuration read them to find the tile.
//
//     /Fonds_ImagesZoom/077/077<document>/<folder>/MAXI_<tile code>.jpg
//
// <document> is the library's document number: one to six digits as sent, that of a Cassini
// sheet in its edition (see CassiniCatalogue.h), or an archive map's position + 10000.
// <folder> is seven digits: "0000001" for a sheet whose folder has no suffix (every Cassini
// sheet), "0000" + the three digits of the sheet index of an archive map's sheet otherwise.
// <tile code> is the tile's two capital letters (column, row).

#include "catalogue/ArchiveCatalogue.h"
#include "session/SheetId.h"

#include <QList>
#include <QString>
#include <optional>

namespace source {

class ClassicLayout {
public:
    // Everything before the document number.
    static constexpr char kDocumentsPath[] = "/Fonds_ImagesZoom/077/077";
    static constexpr int kMaxDocumentDigits = 6;
    // A folder is seven digits: these zeros, then the sheet index on the rest.
    static constexpr int kFolderDigits = 7;
    static constexpr char kFolderZeros[] = "0000";
    static constexpr int kSheetIndexDigits = kFolderDigits - int(sizeof(kFolderZeros)) + 1;
    // The largest sheet index a folder can hold; a folder without suffix is that of index 1.
    static constexpr int kMaxSheetIndex = 999;
    static constexpr int kUnsuffixedSheetIndex = 1;
    // An archive map's document number is its position + this base.
    static constexpr int kArchiveDocumentBase = archive::kDocumentBase;
    // The tile's file: this prefix, the tile code, this suffix.
    static constexpr char kTilePrefix[] = "MAXI_";
    static constexpr char kTileSuffix[] = ".jpg";
    // In a template of the sheet's tile addresses, stands for the tile code.
    static constexpr char kTileCodeMark[] = "**";

    // The folder of a sheet index (0: a folder without suffix); empty when none can hold it.
    static QString folder(int sheetIndex);
    // The request path of a tile of a document's sheet; empty when the sheet index has no folder.
    static QString tilePath(const QString &document, int sheetIndex, const QString &tileCode);
    // The address of every tile of a sheet on `server` (host, or host:port): `kTileCodeMark`
    // stands for the tile code. `folderSuffix` is the sheet's ("\F" + digits, or empty). Empty
    // when the suffix's sheet index has no folder.
    static QString urlTemplate(const QString &server, const QString &document, const QString &folderSuffix);

    // A request path read back.
    struct Request {
        QString document;   // as sent (leading zeros kept)
        int sheetIndex = 0;   // 1..kMaxSheetIndex; 1 for a folder without suffix as well
        QString tileCode;

        // "MAXI_" + tile code + ".jpg"
        QString tileFile() const;
        // The sheets it may name, most likely first: the Cassini sheet of that document (for
        // the folder without suffix), then the archive map of position document - 10000.
        QList<SheetId> sheets() const;
        bool operator==(const Request &) const = default;
    };
    // The request that a path names, taken as sent (nothing decoded); nothing for any other path.
    static std::optional<Request> parse(const QString &requestPath);

    // The regular expressions of the paths, for whoever reads them elsewhere (nginx): a whole
    // request path with `captured` parts in parentheses, and a folder of an archive sheet with
    // its sheet index's digits captured.
    enum class Part { Document, Folder, TileFile };
    static QString pathPattern(std::initializer_list<Part> captured);
    static QString suffixedFolderPattern();
};

} // namespace source
