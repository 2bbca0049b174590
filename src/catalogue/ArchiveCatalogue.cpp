#include "catalogue/ArchiveCatalogue.h"
#include "session/SheetId.h"
#include "platform/Paths.h"

#include <QFile>
#include <QStringDecoder>

namespace archive {
namespace {

QStringList splitLines(const QString &text)
{
    QStringList lines = text.split(u'\n');
    // A final line end closes the last line rather than opening an empty one.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return lines;
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder latin1(QStringDecoder::Latin1);
    return latin1(bytes);
}

const QStringList &builtInTitles()
{
    static const QStringList titles = [] {
        QFile file(QStringLiteral(":/data/archive-titles.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return QStringList();
        return splitLines(decode(file.readAll()));
    }();
    return titles;
}

} // namespace

QString documentNumber(int position)
{
    return QString::number(position + kDocumentBase);
}

int sheetIndex(const QString &indexText, int previous)
{
    if (indexText.isEmpty() || indexText.size() > 3)
        return previous;
    for (QChar c : indexText)
        if (c < u'0' || c > u'9')
            return previous;
    const int index = indexText.toInt();
    return index < kMinSheetIndex || index > kMaxSheetIndex ? previous : index;
}

QString sheetIndexSuffix(const QString &indexText, const QString &previous)
{
    const int index = sheetIndex(indexText, 0);
    return index > 0 ? SheetId::archive(0, index).folderSuffix() : previous;
}

QString asciiUpper(const QString &text)
{
    QString upper = text;
    for (QChar &c : upper)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    return upper;
}

bool titleMatches(const QString &title, const QString &text)
{
    if (text.isEmpty())
        return false;
    return asciiUpper(title).contains(asciiUpper(text), Qt::CaseSensitive);
}

std::optional<QStringList> readTitleFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QStringList lines = splitLines(decode(file.readAll()));
    if (lines.size() != kTitleCount)
        return std::nullopt;
    return lines;
}

ArchiveCatalogue::ArchiveCatalogue() : m_titles(builtInTitles()), m_catalogueCount(int(m_titles.size())) {}

ArchiveCatalogue::ArchiveCatalogue(QStringList titles)
    : m_titles(std::move(titles)), m_catalogueCount(int(m_titles.size()))
{
}

void ArchiveCatalogue::setAddedTitles(const QStringList &titles)
{
    m_titles = m_titles.mid(0, m_catalogueCount) + titles;
}

ArchiveCatalogue ArchiveCatalogue::load(const QStringList &folders)
{
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        const QString path = paths::join(folder, kTitleFileName);
        if (auto titles = readTitleFile(path)) {
            ArchiveCatalogue catalogue(std::move(*titles));
            catalogue.m_source = path;
            return catalogue;
        }
    }
    return ArchiveCatalogue();
}

QString ArchiveCatalogue::title(int position) const
{
    if (position < 1 || position > count())
        return {};
    return m_titles.at(position - 1);
}

int ArchiveCatalogue::find(const QString &text, int fromIndex) const
{
    if (text.isEmpty())
        return -1;
    const QString wanted = asciiUpper(text);
    for (int i = qMax(0, fromIndex); i < count(); ++i)
        if (asciiUpper(m_titles.at(i)).contains(wanted, Qt::CaseSensitive))
            return i;
    return -1;
}

} // namespace archive
