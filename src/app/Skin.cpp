#include "app/Skin.h"

#include <QFileInfo>
#include <QSettings>

std::optional<Skin> loadSkin(const QString &path, const QPalette &base, const QFont &baseFont)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        return std::nullopt;

    Skin skin{base, baseFont};
    const std::pair<const char *, QPalette::ColorRole> roles[] = {
        {"Colors/Window", QPalette::Window},         {"Colors/WindowText", QPalette::WindowText},
        {"Colors/Base", QPalette::Base},             {"Colors/Text", QPalette::Text},
        {"Colors/Button", QPalette::Button},         {"Colors/ButtonText", QPalette::ButtonText},
        {"Colors/Highlight", QPalette::Highlight},   {"Colors/HighlightedText", QPalette::HighlightedText},
        {"Colors/ToolTipBase", QPalette::ToolTipBase}, {"Colors/ToolTipText", QPalette::ToolTipText},
    };
    bool any = false;
    for (const auto &[key, role] : roles) {
        const QColor colour(ini.value(QLatin1String(key)).toString());
        if (colour.isValid()) {
            skin.palette.setColor(role, colour);
            any = true;
        }
    }
    const QString family = ini.value(QStringLiteral("Font/Family")).toString();
    if (!family.isEmpty()) {
        skin.font.setFamily(family);
        any = true;
    }
    const int pixelSize = ini.value(QStringLiteral("Font/PixelSize")).toInt();
    if (pixelSize > 0 && pixelSize < 100)
        skin.font.setPixelSize(pixelSize);
    if (!any)
        return std::nullopt;
    return skin;
}
