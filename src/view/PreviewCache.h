#pragma once
// The preview of a sheet kept in the user's cache folder, so that showing it again needs
// no decoding. An entry belongs to one map folder and holds the 676 cell pictures of its
// preview at one cell size. It is keyed by the folder and by the name, size, times and
// file identity of every tile in it: any change of a tile (written, replaced, deleted,
// added) gives another key, and the preview is built afresh.

#include "store/TileStore.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

namespace view {

class PreviewCache {
public:

    struct Entry {
        QSize tileCell;               // the mosaic's cell size (size of its last tile)
        QSize cell;                   // the size of every cell picture
        std::vector<QImage> cells;    // rows outer; null where the sheet has no tile
    };

    // Entries live in `folder`; by default "previews" in the user's cache folder. At most
    // `maxEntries` are kept: storing one more removes the least recently written.
    explicit PreviewCache(const QString &folder = defaultFolder(), int maxEntries = 64);
    static QString defaultFolder();
    const QString &folder() const { return m_folder; }

    // The key of a map folder's present state (a digest; empty when the folder is missing).
    static QByteArray keyOf(const QString &mapFolder);

    // The entry of `mapFolder` when it was stored under `key`.
    std::optional<Entry> find(const QString &mapFolder, const QByteArray &key) const;
    // Stores the entry (replacing the folder's previous one). False when it cannot be
    // written; the cache is only a help, so callers go on without it.
    bool store(const QString &mapFolder, const QByteArray &key, const Entry &entry) const;
    void remove(const QString &mapFolder) const;
    QString entryFile(const QString &mapFolder) const;

private:
    void trim() const;

    QString m_folder;
    int m_maxEntries;
};

} // namespace view
