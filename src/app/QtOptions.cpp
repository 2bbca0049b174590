#include "app/QtOptions.h"

namespace {

// Qt's options that take the next argument as their value.
const QStringList kWithValue = {
    QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"), QStringLiteral("geometry"),
    QStringLiteral("qwindowicon"), QStringLiteral("icon"), QStringLiteral("qwindowtitle"),
    QStringLiteral("title"), QStringLiteral("session"), QStringLiteral("display"), QStringLiteral("name"),
    QStringLiteral("style"), QStringLiteral("stylesheet"), QStringLiteral("visual"), QStringLiteral("ncols"),
    QStringLiteral("cmap"), QStringLiteral("qmljsdebugger"), QStringLiteral("translationcontext")};
// Qt's options on their own.
const QStringList kAlone = {QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
                            QStringLiteral("dograb"), QStringLiteral("sync"), QStringLiteral("testability")};

} // namespace

QStringList withoutQtOptions(const QStringList &arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (i == 0 || !argument.startsWith(u'-') || argument == QStringLiteral("--")) {
            kept << argument;
            continue;
        }
        QString word = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
        const qsizetype equals = word.indexOf(u'=');
        const bool valueAttached = equals >= 0;
        if (valueAttached)
            word.truncate(equals);
        if (kWithValue.contains(word)) {
            if (!valueAttached)
                ++i;   // its value
            continue;
        }
        if (kAlone.contains(word) && !valueAttached)
            continue;
        kept << argument;
    }
    return kept;
}
