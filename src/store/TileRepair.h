#pragma once
// What becomes of a tile file that does not read as a picture. Only damaged bytes make a
// tile unreadable: an empty file, bytes that are no picture, a picture over the size limit
// or picture data that libjpeg reports as corrupt. Such a file is deleted, except a picture
// of another kind saved under a tile's name (a PNG named .jpg), which is renamed aside with
// its kind's extension added (MAXI_xx.jpg.png). A file that cannot be opened, or that this
// machine could not decode now (short of memory), stays as it is for the next time.
//
// Whoever reads tiles (the renderer, measuring or drawing) tells the repair what a reading
// said; the repair decides, acts, logs under the reader's category and keeps the list of
// what it did until it is taken.

#include "imaging/Jpeg.h"

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

namespace store {

class TileRepair {
public:
    // What a reading of a tile's file means.
    enum class Verdict {
        Readable,      // a picture within bounds
        Unopenable,    // the file exists but cannot be opened: left alone
        Damaged,       // empty, no picture, too large or corrupt: it goes (or is renamed aside)
        Undecodable,   // a limit of this machine, not of the file: left alone
    };
    static Verdict ofHeader(const jpeg::Status &status, const jpeg::Header &header);
    static Verdict ofDecode(const jpeg::Status &status);

    // The logging category of the reader (lcRender, say), where each deletion and renaming
    // is told.
    using LogCategory = const QLoggingCategory &(*)();
    explicit TileRepair(LogCategory log);

    // The header of the file at `path` (native) did not read as a picture: renamed aside if
    // it is a picture of another kind, else deleted.
    void repairHeader(const QString &path);
    // Decoding the file at `path` failed with `status`: deleted when the bytes are damaged;
    // the first failure of this machine is kept as the text to tell.
    void repairDecode(const QString &path, const jpeg::Status &status);

    // The files deleted, and the new paths of those renamed aside, since the last call.
    QStringList takeDeleted();
    QStringList takeRenamed();
    // The first failure since the last call that was no damage of a file, as its message
    // ("Erreur JPEG #n"); empty when none.
    QString takeKeptFailure();

private:
    void remove(const QString &path, const QString &why);

    LogCategory m_log;
    QStringList m_deleted;
    QStringList m_renamed;
    QString m_keptFailure;
};

} // namespace store
