// The search against the tests' own search service on 127.0.0.1: pages stepped by what the
// service returned, the answers that are no documents (none, a diagnostic, a challenge, a
// 403), the cancel of an answer that does not come, the small pictures in the cache folder,
// and the pace of requests to the library's server.

#include "LibraryDocuments.h"
#include "iiif/IiifServers.h"
#include "library/LibraryAddresses.h"
#include "library/LibrarySearch.h"
#include "library/ThumbnailCache.h"
#include "net/HostPace.h"
#include "net/PacedFetcher.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// What one signal carried, call by call.
template <typename... Args>
struct Calls {
    template <typename Object, typename Signal>
    Calls(Object *object, Signal signal)
    {
        QObject::connect(object, signal, &guard, [this](Args... args) { list.append(QVariantList{QVariant::fromValue(args)...}); });
    }
    int count() const { return int(list.size()); }
    const QVariantList &at(int i) const { return list.at(i); }
    const QVariantList &last() const { return list.last(); }
    QList<QVariantList> list;
    QObject guard;   // the connection ends with the record
};
using PageCalls = Calls<int, int>;
using FailureCalls = Calls<const QString &, bool>;

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_PROGRAM(QStringLiteral("python3"));
        QJsonArray documents;
        for (int i = 0; i < 120; ++i)
            documents.append(document(QStringLiteral("btv1b%1").arg(i, 4, 10, QChar(u'0')),
                                      i % 3 == 0 ? QStringLiteral("Plan de Paris") : QStringLiteral("Carte %1").arg(i)));
        QJsonObject series = document(QStringLiteral("cb32753"), QStringLiteral("Bulletin"));
        series.insert(QStringLiteral("series"), true);
        documents.replace(1, series);
        QJsonObject plain = document(QStringLiteral("btv1bplain"), QString(2000, u'T'));
        plain.insert(QStringLiteral("plain_extra"), true);
        plain.insert(QStringLiteral("http"), true);
        documents.replace(2, plain);
        QJsonObject text = document(QStringLiteral("btv1btexte"), QStringLiteral("Un livre"));
        text.insert(QStringLiteral("types"), QJsonArray{QStringLiteral("texte")});
        documents.append(text);
        QImage(40, 60, QImage::Format_RGB32).save(root.filePath(QStringLiteral("thumbnail.jpg")));
        QString error;
        ASSERT_TRUE(server.startSearch(root.path(), documents, 0, &error)) << error.toStdString();
        addresses.catalogue = server.catalogue();
        addresses.library = server.base();
        addresses.intervalMs = 0;
        library::applyPace(addresses);
        search.setAddresses(addresses);
    }
    void TearDown() override { library::applyPace(library::Addresses()); }

    // Runs the query to its first page or failure.
    bool runToEnd(PageCalls &pages, FailureCalls &failures)
    {
        return waitUntil([&] { return !search.busy(); }, 60000) && (pages.count() + failures.count()) > 0;
    }

    QTemporaryDir root;
    PythonServer server;
    library::Addresses addresses;
    LibrarySearch search;
};

} // namespace

TEST_F(SearchTest, PagesFollowTheNextPositionToTheLastPage)
{
    PageCalls pages(&search, &LibrarySearch::pageReady);
    FailureCalls failures(&search, &LibrarySearch::failed);
    search.start(library::searchQuery(QStringLiteral("carte"), false));
    EXPECT_TRUE(search.busy());
    ASSERT_TRUE(runToEnd(pages, failures));
    ASSERT_EQ(failures.count(), 0);
    EXPECT_EQ(search.total(), 120);   // the text document is not a map
    EXPECT_EQ(search.records().size(), 50);
    EXPECT_TRUE(search.hasMore());
    while (search.more())
        ASSERT_TRUE(waitUntil([&] { return !search.busy(); }, 60000));
    ASSERT_EQ(search.records().size(), 120);
    EXPECT_FALSE(search.hasMore());
    EXPECT_EQ(pages.count(), 3);
    EXPECT_EQ(pages.at(2).at(0).toInt(), 100);
    EXPECT_EQ(pages.at(2).at(1).toInt(), 20);

    const auto &r = search.records();
    EXPECT_TRUE(r[1].series);
    EXPECT_EQ(r[2].title.size(), 2000);
    EXPECT_EQ(r[2].thumbnail, server.base() + QStringLiteral("/ark:/12148/btv1bplain.thumbnail"));
    EXPECT_EQ(r[2].identifier, server.base() + QStringLiteral("/ark:/12148/btv1bplain"));
    EXPECT_EQ(r[4].thumbnail, server.base() + QStringLiteral("/ark:/12148/btv1b0004.thumbnail"));
    EXPECT_EQ(r[0].title, r[3].title);   // repeated titles stay two documents
    EXPECT_NE(r[0].arkName, r[3].arkName);
    for (const QString &agent : server.userAgents())
        EXPECT_EQ(agent, QStringLiteral("Orvantis/" ORVANTIS_VERSION));

    // "Tous les documents" lifts the restriction to maps.
    search.start(library::searchQuery(QStringLiteral("carte"), true));
    ASSERT_TRUE(waitUntil([&] { return !search.busy(); }, 60000));
    EXPECT_EQ(search.total(), 121);
}

TEST_F(SearchTest, AnswersThatAreNoDocuments)
{
    struct Case {
        QString words;
        QString text;
        bool refused;
    } cases[] = {
        {QStringLiteral("rienrien"), QString(), false},
        {QStringLiteral("erreurcql"), QStringLiteral("Query syntax error"), false},
        {QStringLiteral("verifsecu"), QStringLiteral("La bibliothèque refuse l'accès pour le moment (vérification "
                                                     "demandée). Réessayez plus tard."), true},
        {QStringLiteral("interdit"), QStringLiteral("La bibliothèque refuse l'accès pour le moment (vérification "
                                                    "demandée). Réessayez plus tard."), true},
    };
    for (const Case &c : cases) {
        PageCalls pages(&search, &LibrarySearch::pageReady);
        FailureCalls failures(&search, &LibrarySearch::failed);
        search.start(library::searchQuery(c.words, false));
        ASSERT_TRUE(runToEnd(pages, failures)) << c.words.toStdString();
        if (c.text.isEmpty()) {
            ASSERT_EQ(pages.count(), 1);
            EXPECT_EQ(search.total(), 0);
            EXPECT_TRUE(search.records().isEmpty());
            EXPECT_FALSE(search.hasMore());
        } else {
            ASSERT_EQ(failures.count(), 1) << c.words.toStdString();
            EXPECT_EQ(failures.at(0).at(0).toString(), c.text);
            EXPECT_EQ(failures.at(0).at(1).toBool(), c.refused);
        }
    }
}

TEST_F(SearchTest, CancelEndsAnAnswerThatDoesNotCome)
{
    PageCalls pages(&search, &LibrarySearch::pageReady);
    FailureCalls failures(&search, &LibrarySearch::failed);
    Calls<bool> busy(&search, &LibrarySearch::busyChanged);
    search.start(library::searchQuery(QStringLiteral("lentement"), false));
    ASSERT_TRUE(waitUntil([&] { return server.paths().size() == 1; }, 60000));
    search.cancel();
    EXPECT_FALSE(search.busy());
    EXPECT_EQ(busy.last().at(0).toBool(), false);
    // A new search runs at once beside the one the server still holds.
    search.start(library::searchQuery(QStringLiteral("carte"), false));
    ASSERT_TRUE(waitUntil([&] { return !search.busy(); }, 60000));
    EXPECT_EQ(pages.count(), 1);
    EXPECT_EQ(failures.count(), 0);
}

// A request to the library ended by its caller (a reading cancelled) frees the library's
// turn: the next request to it runs.
TEST_F(SearchTest, ARequestCancelledWhileItRunsLeavesTheLibraryFree)
{
    PacedFetcher fetcher;
    QList<PacedFetcher::Result> results;
    QObject::connect(&fetcher, &PacedFetcher::finished, &fetcher, [&](const PacedFetcher::Result &r) { results << r; });
    const int held = fetcher.getBytes(
        server.catalogue() + QStringLiteral("?operation=searchRetrieve&version=1.2&query=lentement"), 1 << 20);
    ASSERT_TRUE(waitUntil([&] { return server.paths().size() == 1; }, 60000));
    fetcher.cancel(held);
    fetcher.getBytes(server.base() + QStringLiteral("/ark:/12148/a.thumbnail"), 1 << 20);
    ASSERT_TRUE(waitUntil([&] { return results.size() == 1; }, 60000)) << server.paths().join(u' ').toStdString();
    EXPECT_EQ(results[0].outcome, PacedFetcher::Outcome::Ok);
    EXPECT_EQ(server.paths().size(), 2);
}

TEST_F(SearchTest, PicturesAreFetchedOnceAndKeptInTheCacheFolder)
{
    QTemporaryDir cache;
    ThumbnailCache pictures(cache.filePath(QStringLiteral("vignettes")));
    Calls<int, const QString &> ready(&pictures, &ThumbnailCache::ready);
    const QString a = server.base() + QStringLiteral("/ark:/12148/a.thumbnail");
    const QString b = server.base() + QStringLiteral("/ark:/12148/b.thumbnail");
    pictures.request(1, a);
    pictures.request(2, b);
    pictures.request(3, server.base() + QStringLiteral("/nothing-here.jpg"));
    ASSERT_TRUE(waitUntil([&] { return pictures.pending() == 0; }, 60000));
    ASSERT_EQ(ready.count(), 2);
    EXPECT_EQ(ready.at(0).at(0).toInt(), 1);
    EXPECT_EQ(ready.at(1).at(0).toInt(), 2);
    EXPECT_FALSE(QImage(ready.at(0).at(1).toString()).isNull());
    EXPECT_EQ(QDir(pictures.folder()).entryList(QDir::Files).size(), 2);   // no part file left

    // Asked again: from the cache, no request.
    const int requests = int(server.paths().size());
    pictures.request(4, a);
    ASSERT_TRUE(waitUntil([&] { return ready.count() == 3; }, 60000));
    EXPECT_EQ(server.paths().size(), requests);
}

TEST_F(SearchTest, RequestsToTheLibraryKeepTheIntervalOthersAreNotHeld)
{
    QTemporaryDir otherRoot;
    QFile::copy(root.filePath(QStringLiteral("thumbnail.jpg")), otherRoot.filePath(QStringLiteral("p.jpg")));
    PythonServer other;
    QString error;
    ASSERT_TRUE(other.start(otherRoot.path(), {}, &error)) << error.toStdString();
    addresses.intervalMs = 300;
    library::applyPace(addresses);

    QList<qint64> starts;
    QObject::connect(&HostPace::shared(), &HostPace::started, &search,
                     [&](const QString &key, qint64 at) {
                         EXPECT_EQ(key, HostPace::keyOf(QUrl(server.base())));
                         starts << at;
                     });
    PacedFetcher fetcher;
    fetcher.setHostLimit([](const QString &) { return 8; });
    QList<int> libraryIds, otherIds, order;
    QObject::connect(&fetcher, &PacedFetcher::finished, &fetcher, [&](const PacedFetcher::Result &r) {
        EXPECT_EQ(r.outcome, PacedFetcher::Outcome::Ok);
        order << r.id;
    });
    for (int i = 0; i < 4; ++i)
        libraryIds << fetcher.getBytes(server.base() + QStringLiteral("/ark:/12148/x%1.thumbnail").arg(i), 1 << 20);
    for (int i = 0; i < 4; ++i)
        otherIds << fetcher.getBytes(other.base() + QStringLiteral("/p.jpg"), 1 << 20);
    ASSERT_TRUE(waitUntil([&] { return order.size() == 8; }, 30000));
    ASSERT_EQ(starts.size(), 4);
    for (int i = 1; i < starts.size(); ++i)
        EXPECT_GE(starts[i] - starts[i - 1], 300) << i;
    // The other server answered all four before the library's third could even start.
    for (int id : otherIds)
        EXPECT_LT(order.indexOf(id), order.indexOf(libraryIds[2]));
}
