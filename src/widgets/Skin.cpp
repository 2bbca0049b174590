#include "widgets/Skin.h"

#include <QFileInfo>
#include <QSettings>

namespace {

bool isTextRole(QPalette::ColorRole role)
{
    return role == QPalette::WindowText || role == QPalette::Text || role == QPalette::ButtonText
        || role == QPalette::HighlightedText || role == QPalette::ToolTipText;
}

QColor blend(const QColor &a, const QColor &b)
{
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

} // namespace

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
            // The skin gives the colours of enabled controls; disabled ones are derived below.
            skin.palette.setColor(QPalette::Active, role, colour);
            skin.palette.setColor(QPalette::Inactive, role, colour);
            if (!isTextRole(role))
                skin.palette.setColor(QPalette::Disabled, role, colour);
            any = true;
        }
    }
    // A disabled control's text, half-way between its text and its background, so that a
    // control that does nothing never looks as if it could be clicked.
    const std::pair<QPalette::ColorRole, QPalette::ColorRole> textOnBackground[] = {
        {QPalette::WindowText, QPalette::Window}, {QPalette::Text, QPalette::Base},
        {QPalette::ButtonText, QPalette::Button}, {QPalette::HighlightedText, QPalette::Highlight},
    };
    for (const auto &[text, background] : textOnBackground)
        skin.palette.setColor(QPalette::Disabled, text,
                              blend(skin.palette.color(QPalette::Active, text),
                                    skin.palette.color(QPalette::Active, background)));
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
