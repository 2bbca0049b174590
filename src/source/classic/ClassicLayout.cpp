#include "source/classic/ClassicLayout.h"
#include "catalogue/CassiniCatalogue.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

namespace source {
namespace {

const QString &documentsPath()
{
    static const QString path = QString::fromLatin1(ClassicLayout::kDocumentsPath);
    return path;
}

// The Cassini sheet of each document number, both editions.
const QHash<QString, SheetId> &cassiniDocuments()
{
    static const QHash<QString, SheetId> documents = [] {
        QHash<QString, SheetId> byNumber;
        for (int sheet = 1; sheet <= cassini::kSheetCount; ++sheet) {
            for (int item : {0, 1}) {
                const QString number = cassini::documentNumber(sheet, item);
                if (!number.isEmpty())
                    byNumber.insert(number, SheetId::cassini(editions::cassiniFolder(item), sheet));
            }
        }
        return byNumber;
    }();
    return documents;
}

// `text` as a regular expression that matches it alone (its signs escaped, the rest as it is,
// so that a configuration stays readable).
QString literal(QLatin1StringView text)
{
    QString pattern;
    for (const QChar c : text) {
        if (QStringView(u"\\^$.|?*+()[]{}").contains(c))
            pattern += u'\\';
        pattern += c;
    }
    return pattern;
}

} // namespace

QString ClassicLayout::folder(int sheetIndex)
{
    if (sheetIndex == 0)
        sheetIndex = kUnsuffixedSheetIndex;
    if (sheetIndex < 1 || sheetIndex > kMaxSheetIndex)
        return {};
    return QLatin1StringView(kFolderZeros) + QStringLiteral("%1").arg(sheetIndex, kSheetIndexDigits, 10, QLatin1Char('0'));
}

QString ClassicLayout::tilePath(const QString &document, int sheetIndex, const QString &tileCode)
{
    const QString sheetFolder = folder(sheetIndex);
    if (sheetFolder.isEmpty())
        return {};
    return documentsPath() + document + u'/' + sheetFolder + u'/' + QLatin1StringView(kTilePrefix) + tileCode
           + QLatin1StringView(kTileSuffix);
}

QString ClassicLayout::urlTemplate(const QString &server, const QString &document, const QString &folderSuffix)
{
    const QString path =
        tilePath(document, SheetId::fromTexts(QString(), QString(), folderSuffix).sheetIndex, QLatin1StringView(kTileCodeMark));
    return path.isEmpty() ? QString() : QStringLiteral("http://") + server + path;
}

QString ClassicLayout::Request::tileFile() const
{
    return QLatin1StringView(kTilePrefix) + tileCode + QLatin1StringView(kTileSuffix);
}

QList<SheetId> ClassicLayout::Request::sheets() const
{
    QList<SheetId> sheets;
    if (sheetIndex == kUnsuffixedSheetIndex) {
        const auto cassiniSheet = cassiniDocuments().constFind(document);
        if (cassiniSheet != cassiniDocuments().constEnd())
            sheets << *cassiniSheet;
    }
    const int position = document.toInt() - kArchiveDocumentBase;
    if (position >= 1)
        sheets << SheetId::archive(position, sheetIndex);
    return sheets;
}

QString ClassicLayout::suffixedFolderPattern()
{
    // The zeros, then an index of its digits that is not all zeros.
    return QLatin1StringView(kFolderZeros) + QStringLiteral("(?!%1)(\\d{%2})")
                                                 .arg(QString(kSheetIndexDigits, u'0'))
                                                 .arg(kSheetIndexDigits);
}

QString ClassicLayout::pathPattern(std::initializer_list<Part> captured)
{
    auto part = [&](Part which, const QString &pattern) {
        return std::find(captured.begin(), captured.end(), which) != captured.end() ? u'(' + pattern + u')' : pattern;
    };
    return u'^' + literal(QLatin1StringView(kDocumentsPath))
           + part(Part::Document, QStringLiteral("\\d{1,%1}").arg(kMaxDocumentDigits)) + u'/'
           + part(Part::Folder, QStringLiteral("\\d{%1}").arg(kFolderDigits)) + u'/'
           + part(Part::TileFile, literal(QLatin1StringView(kTilePrefix)) + QStringLiteral("[A-Z]{2}")
                                      + literal(QLatin1StringView(kTileSuffix)))
           + u'$';
}

std::optional<ClassicLayout::Request> ClassicLayout::parse(const QString &requestPath)
{
    static const QRegularExpression path(pathPattern({Part::Document, Part::Folder, Part::TileFile}));
    static const QRegularExpression suffixedFolder(u'^' + suffixedFolderPattern() + u'$');
    // "$" also matches before a final line end: the whole path must be the match.
    const QRegularExpressionMatch match = path.match(requestPath);
    if (!match.hasMatch() || match.capturedEnd(0) != requestPath.size())
        return std::nullopt;
    const QRegularExpressionMatch folderMatch = suffixedFolder.match(match.capturedView(2));
    if (!folderMatch.hasMatch())
        return std::nullopt;
    const QStringView file = match.capturedView(3);
    return Request{match.captured(1), folderMatch.capturedView(1).toInt(),
                   file.mid(qsizetype(sizeof(kTilePrefix)) - 1, 2).toString()};
}

} // namespace source
