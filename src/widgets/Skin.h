#pragma once
// The window's skin: colours and font read from a small INI file beside the program
// ("Skins/WinAqua/Skin.INI"). A missing or unreadable file gives no skin (Qt's own look).

#include <QFont>
#include <QPalette>
#include <optional>

struct Skin {
    QPalette palette;
    QFont font;
};

std::optional<Skin> loadSkin(const QString &path, const QPalette &base, const QFont &baseFont);
