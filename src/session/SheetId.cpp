#include "session/SheetId.h"

SheetId SheetId::fromTexts(const QString &edition, const QString &number, const QString &folderSuffix)
{
    bool ok = false;
    const int index = folderSuffix.startsWith(QStringLiteral("\\F")) ? folderSuffix.mid(2).toInt(&ok) : 0;
    return {edition, number.toInt(), ok && index > 0 ? index : 0};
}

QString SheetId::folderSuffix() const
{
    return sheetIndex > 0 ? QStringLiteral("\\F%1").arg(sheetIndex, 3, 10, QLatin1Char('0')) : QString();
}

