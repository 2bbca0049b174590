// The library's catalogue without a server: the query made from words, the address of a
// page, the reading of answers in their forms, the addresses read from the settings and
// against the library's, and how a refusal is told from data.

#include "library/LibraryAddresses.h"
#include "library/SruSearch.h"
#include "net/LibraryRefusal.h"
#include "session/SettingsStore.h"

#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace library;

namespace {

const QByteArray kHead = R"(<?xml version="1.0" encoding="UTF-8"?>
<srw:searchRetrieveResponse xmlns:srw="http://www.loc.gov/zing/srw/"><srw:version>1.2</srw:version>)";

QByteArray record(const QByteArray &dc, const QByteArray &extra)
{
    return "<srw:record><srw:recordData><oai_dc:dc xmlns:oai_dc=\"http://www.openarchives.org/OAI/2.0/oai_dc/\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
           + dc + "</oai_dc:dc></srw:recordData>" + extra + "</srw:record>";
}

} // namespace

TEST(LibraryQuery, WordsBecomeAnEscapedQueryKeptToMapsUnlessAllDocuments)
{
    struct Case {
        QString words;
        bool all;
        QString query;
    } cases[] = {
        {QStringLiteral("plan de Paris"), false, QStringLiteral("(gallica all \"plan de Paris\") and dc.type all \"carte\"")},
        {QStringLiteral("  plan \t de  Paris "), true, QStringLiteral("gallica all \"plan de Paris\"")},
        {QStringLiteral("le \"grand\" plan"), true, QStringLiteral("gallica all \"le \\\"grand\\\" plan\"")},
        {QStringLiteral("a\\b"), true, QStringLiteral("gallica all \"a\\\\b\"")},
        {QStringLiteral("   "), false, QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(searchQuery(c.words, c.all), c.query) << c.words.toStdString();
}

TEST(LibraryQuery, PageAddressCarriesEveryParameterAndSurvivesAnyCharacter)
{
    const QString query = searchQuery(QStringLiteral("côtes & marais = 50% #1 +"), false);
    const QUrl url(searchAddress(QStringLiteral("http://127.0.0.1:8080/SRU"), query, 51));
    EXPECT_EQ(url.path(), QStringLiteral("/SRU"));
    const QUrlQuery q(url);
    EXPECT_EQ(q.queryItemValue(QStringLiteral("operation")), QStringLiteral("searchRetrieve"));
    EXPECT_EQ(q.queryItemValue(QStringLiteral("version")), QStringLiteral("1.2"));
    EXPECT_EQ(q.queryItemValue(QStringLiteral("startRecord")), QStringLiteral("51"));
    EXPECT_EQ(q.queryItemValue(QStringLiteral("maximumRecords")), QStringLiteral("50"));
    EXPECT_EQ(q.queryItemValue(QStringLiteral("collapsing")), QStringLiteral("false"));
    EXPECT_EQ(q.queryItemValue(QStringLiteral("query"), QUrl::FullyDecoded), query);
}

TEST(LibraryAnswer, RecordsInBothFormsOfExtraDataSeriesAndPaging)
{
    const QByteArray xml = kHead + "<srw:numberOfRecords>120</srw:numberOfRecords><srw:records>"
        + record("<dc:title>Plan de Paris</dc:title><dc:title>Autre</dc:title><dc:creator>Turgot</dc:creator>"
                 "<dc:creator>Bretez</dc:creator><dc:date>1739</dc:date><dc:type>carte</dc:type>"
                 "<dc:format>image/jpeg</dc:format><dc:format>Nombre total de vues : 20</dc:format>"
                 "<dc:identifier>ISBN 2</dc:identifier><dc:identifier>https://gallica.bnf.fr/ark:/12148/btv1b530</dc:identifier>",
                 "<srw:extraRecordData><thumbnail>https://gallica.bnf.fr/ark:/12148/btv1b530.thumbnail</thumbnail>"
                 "<link>https://gallica.bnf.fr/ark:/12148/btv1b530</link></srw:extraRecordData>")
        + record("<dc:title>Bulletin</dc:title><dc:date>18..</dc:date>"
                 "<dc:identifier>http://gallica.bnf.fr/ark:/12148/cb327/date</dc:identifier>",
                 "<srw:extraRecordData><thumbnail xmlns=\"http://gallica.bnf.fr/namespaces/gallica/\">T2</thumbnail>"
                 "</srw:extraRecordData>")
        + "</srw:records><srw:nextRecordPosition>51</srw:nextRecordPosition></srw:searchRetrieveResponse>";
    const auto answer = readAnswer(xml);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->total, 120);
    ASSERT_EQ(answer->nextPosition, 51);
    ASSERT_EQ(answer->records.size(), 2);
    const Record &a = answer->records[0];
    EXPECT_EQ(a.title, QStringLiteral("Plan de Paris"));
    EXPECT_EQ(a.creators, (QStringList{QStringLiteral("Turgot"), QStringLiteral("Bretez")}));
    EXPECT_EQ(a.date, QStringLiteral("1739"));
    EXPECT_EQ(a.views, 20);
    EXPECT_EQ(a.arkName, QStringLiteral("btv1b530"));
    EXPECT_FALSE(a.series);
    EXPECT_EQ(a.thumbnail, QStringLiteral("https://gallica.bnf.fr/ark:/12148/btv1b530.thumbnail"));
    const Record &b = answer->records[1];
    EXPECT_TRUE(b.series);
    EXPECT_EQ(b.arkName, QStringLiteral("cb327"));
    EXPECT_EQ(b.views, 0);
    EXPECT_EQ(b.thumbnail, QStringLiteral("T2"));
}

TEST(LibraryAnswer, LastPageDiagnosticEmptyAndNoAnswer)
{
    const auto last = readAnswer(kHead + "<srw:numberOfRecords>3</srw:numberOfRecords><srw:records>"
                                 + record("<dc:title>X</dc:title>", "") + "</srw:records></srw:searchRetrieveResponse>");
    ASSERT_TRUE(last);
    EXPECT_FALSE(last->nextPosition);
    const auto empty = readAnswer(kHead + "<srw:numberOfRecords>0</srw:numberOfRecords></srw:searchRetrieveResponse>");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->total, 0);
    EXPECT_TRUE(empty->records.isEmpty());
    const auto diagnostic = readAnswer(
        kHead + "<srw:diagnostics><diag:diagnostic xmlns:diag=\"http://www.loc.gov/zing/srw/diagnostic/\">"
                "<diag:uri>info:srw/diagnostic/1/10</diag:uri><diag:message>Query syntax error</diag:message>"
                "</diag:diagnostic></srw:diagnostics></srw:searchRetrieveResponse>");
    ASSERT_TRUE(diagnostic);
    EXPECT_EQ(diagnostic->diagnostic, QStringLiteral("Query syntax error"));
    for (const QByteArray &notAnswer : {QByteArray("<!DOCTYPE html><html><title>Vérification de sécurité</title></html>"),
                                        QByteArray("{\"a\": 1}"), QByteArray(), kHead + "<srw:records><srw:rec"}) {
        QString why;
        EXPECT_FALSE(readAnswer(notAnswer, &why)) << notAnswer.constData();
        EXPECT_FALSE(why.isEmpty());
    }
}

TEST(LibraryAddresses, SettingsDefaultsFallbackAndRebasing)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("Orvantis.ini")));
    QStringList warnings;
    Addresses a = Addresses::read(settings, &warnings);
    EXPECT_EQ(a.catalogue, kDefaultCatalogue);
    EXPECT_EQ(a.library, kDefaultLibrary);
    EXPECT_EQ(a.intervalMs, 1000);
    EXPECT_TRUE(warnings.isEmpty());

    settings.write(Setting::Catalogue, QStringLiteral("ftp://nowhere"));
    settings.write(Setting::Library, QStringLiteral("http://127.0.0.1:8080/"));
    settings.write(Setting::RequestInterval, QStringLiteral("0,3"));
    a = Addresses::read(settings, &warnings);
    EXPECT_EQ(a.catalogue, kDefaultCatalogue);
    EXPECT_EQ(warnings.size(), 1);
    EXPECT_EQ(a.library, QStringLiteral("http://127.0.0.1:8080"));
    EXPECT_EQ(a.intervalMs, 300);
    settings.write(Setting::RequestInterval, QStringLiteral("12"));
    EXPECT_EQ(Addresses::read(settings).intervalMs, 1000);

    struct Case {
        QString in, out;
    } cases[] = {
        {QStringLiteral("https://gallica.bnf.fr/ark:/12148/x.thumbnail"), QStringLiteral("http://127.0.0.1:8080/ark:/12148/x.thumbnail")},
        {QStringLiteral("http://gallica.bnf.fr/ark:/12148/x"), QStringLiteral("http://127.0.0.1:8080/ark:/12148/x")},
        {QStringLiteral("https://gallica.bnf.fr.example.org/x"), QStringLiteral("https://gallica.bnf.fr.example.org/x")},
        {QStringLiteral("https://other.org/ark:/12148/x"), QStringLiteral("https://other.org/ark:/12148/x")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(a.rebase(c.in), c.out) << c.in.toStdString();
    EXPECT_EQ(a.imageBase(QStringLiteral("btv1"), 3), QStringLiteral("http://127.0.0.1:8080/iiif/ark:/12148/btv1/f3"));
    EXPECT_EQ(a.manifest(QStringLiteral("btv1")), QStringLiteral("http://127.0.0.1:8080/iiif/ark:/12148/btv1/manifest.json"));
    EXPECT_EQ(a.documentPage(QStringLiteral("btv1")), QStringLiteral("http://127.0.0.1:8080/ark:/12148/btv1"));
}

TEST(LibraryRefusal, ChallengePagesAnd403FromTheLibraryOnly)
{
    const QByteArray challenge = "<!DOCTYPE html><html><head><title>Vérification de sécurité</title></head></html>";
    const QByteArray xml = kHead + "</srw:searchRetrieveResponse>";
    const QByteArray json = "{\"@context\": \"http://iiif.io/api/image/2/context.json\"}";
    const QByteArray jpeg = QByteArray::fromHex("ffd8ffe000104a464946");
    struct Case {
        int status;
        QByteArray head;
        bool library;
        bool refused;
    } cases[] = {
        {200, challenge, true, true},
        {200, "\n  <html><body>Un instant</body></html>", true, true},
        {200, "<?xml version=\"1.0\"?><!-- x --><html xmlns=\"http://www.w3.org/1999/xhtml\"/>", true, true},
        {403, {}, true, true},
        {200, xml, true, false},
        {200, json, true, false},
        {200, jpeg, true, false},
        {404, challenge, true, false},
        {403, {}, false, false},
        {200, challenge, false, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(isRefusal(c.status, c.head, c.library), c.refused) << c.status << ' ' << c.head.left(30).constData();
    EXPECT_EQ(refusalText(), QStringLiteral("La bibliothèque refuse l'accès pour le moment (vérification demandée). "
                                            "Réessayez plus tard."));
}
