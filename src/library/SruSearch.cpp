#include "library/SruSearch.h"
#include "library/LibraryAddresses.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>
#include <QXmlStreamReader>

namespace library {

QString cqlString(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped += u'"';
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    escaped += u'"';
    return escaped;
}

QString searchQuery(const QString &words, bool allDocuments)
{
    const QString simplified = words.simplified();
    if (simplified.isEmpty())
        return {};
    QString query = QStringLiteral("gallica all ") + cqlString(simplified);
    if (!allDocuments)
        query = QStringLiteral("(") + query + QStringLiteral(") and dc.type all \"carte\"");
    return query;
}

QString searchAddress(const QString &catalogue, const QString &query, int startRecord, int maximumRecords)
{
    QUrl url(catalogue);
    QUrlQuery q(url);
    q.addQueryItem(QStringLiteral("operation"), QStringLiteral("searchRetrieve"));
    q.addQueryItem(QStringLiteral("version"), QStringLiteral("1.2"));
    // Every character that could end the value or be read as another is encoded.
    q.addQueryItem(QStringLiteral("query"), QString::fromLatin1(QUrl::toPercentEncoding(query)));
    q.addQueryItem(QStringLiteral("startRecord"), QString::number(startRecord));
    q.addQueryItem(QStringLiteral("maximumRecords"), QString::number(maximumRecords));
    q.addQueryItem(QStringLiteral("collapsing"), QStringLiteral("false"));
    url.setQuery(q);
    return url.toString(QUrl::FullyEncoded);
}

namespace {

const QString kSrw = QStringLiteral("http://www.loc.gov/zing/srw/");
const QString kDc = QStringLiteral("http://purl.org/dc/elements/1.1/");

int viewsOf(const QString &format)
{
    static const QRegularExpression views(QStringLiteral("Nombre total de vues\\s*:\\s*(\\d+)"));
    const QRegularExpressionMatch m = views.match(format);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// Walks what lies inside the element the reader stands on, at any depth, up to its end.
// `take` is offered each element; it returns true when it read the element's text, and
// the walk then goes on after it.
template<typename Take>
void walkInside(QXmlStreamReader &xml, Take take)
{
    int level = 1;
    while (level > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement())
            --level;
        else if (xml.isStartElement() && !take(xml.name()))
            ++level;
    }
}

// The Dublin Core part of a record: the reader stands on <recordData>.
void readDublinCore(QXmlStreamReader &xml, Record &record)
{
    walkInside(xml, [&](QStringView element) {
        if (xml.namespaceUri() != kDc)
            return false;
        const QString name = element.toString();   // the view ends with the element's text
        const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        if (name == QLatin1String("title")) {
            if (record.title.isEmpty())
                record.title = text;
        } else if (name == QLatin1String("creator")) {
            record.creators << text;
        } else if (name == QLatin1String("date")) {
            if (record.date.isEmpty())
                record.date = text;
        } else if (name == QLatin1String("type")) {
            record.types << text;
        } else if (name == QLatin1String("format")) {
            if (record.views == 0)
                record.views = viewsOf(text);
        } else if (name == QLatin1String("identifier")) {
            bool series = false;
            const QString ark = arkName(text, &series);
            if (record.identifier.isEmpty() && !ark.isEmpty()) {
                record.identifier = text;
                record.arkName = ark;
                record.series = series;
            }
        }
        return true;
    });
}

// The extra data of a record: its children are matched by local name, in any namespace.
void readExtra(QXmlStreamReader &xml, Record &record)
{
    walkInside(xml, [&](QStringView name) {
        const bool thumbnail = name == QLatin1String("thumbnail");
        if (!thumbnail && name != QLatin1String("link"))
            return false;
        (thumbnail ? record.thumbnail : record.link) =
            xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        return true;
    });
}

} // namespace

std::optional<Answer> readAnswer(const QByteArray &bytes, QString *why)
{
    QXmlStreamReader xml(bytes);
    Answer answer;
    bool isAnswer = false;
    Record *current = nullptr;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QStringView name = xml.name();
        if (!isAnswer) {
            if (name != QLatin1String("searchRetrieveResponse") || xml.namespaceUri() != kSrw) {
                if (why)
                    *why = QStringLiteral("réponse inattendue : ") + name.toString();
                return std::nullopt;
            }
            isAnswer = true;
            continue;
        }
        if (name == QLatin1String("message") && xml.namespaceUri() != kSrw && xml.namespaceUri() != kDc) {
            if (answer.diagnostic.isEmpty())
                answer.diagnostic = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            continue;
        }
        if (name == QLatin1String("extraRecordData") && current) {
            readExtra(xml, *current);   // found by its local name, in any namespace
            continue;
        }
        if (xml.namespaceUri() != kSrw)
            continue;
        if (name == QLatin1String("numberOfRecords")) {
            answer.total = xml.readElementText().trimmed().toInt();
        } else if (name == QLatin1String("nextRecordPosition")) {
            bool ok = false;
            const int next = xml.readElementText().trimmed().toInt(&ok);
            if (ok && next > 0)
                answer.nextPosition = next;
        } else if (name == QLatin1String("record")) {
            answer.records.append(Record());
            current = &answer.records.last();
        } else if (name == QLatin1String("recordData") && current) {
            readDublinCore(xml, *current);
        }
    }
    if (xml.hasError()) {
        if (why)
            *why = xml.errorString();
        return std::nullopt;
    }
    if (!isAnswer) {
        if (why)
            *why = QStringLiteral("réponse vide");
        return std::nullopt;
    }
    return answer;
}

} // namespace library
