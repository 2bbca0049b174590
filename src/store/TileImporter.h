#pragma once
// Copies the tiles of a sheet from a backup folder into its map folder: only files named
// like tiles, each installed through the tile writer (written whole, decoding whole).

#include <QString>
#include <functional>

namespace store {

struct ImportResult {
    int copied = 0;
    // Empty when every present tile was copied; else the message that stopped the import
    // ("Erreur JPEG #%d", or a file error).
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Walks the 676 names in walking order and calls `step` once per name, after handling it.
ImportResult importTiles(const QString &backupFolder, const QString &mapFolder,
                         const std::function<void(int index)> &step = {});

} // namespace store
