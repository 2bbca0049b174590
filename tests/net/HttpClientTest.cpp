#include "net/HttpClient.h"
#include "net/FailureTexts.h"
#include "net/TestServer.h"
#include "support/Wait.h"
#include "support/LogCapture.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;
using Reply = TestServer::Reply;

namespace {

// One transaction and what it told.
struct Outcome {
    QString result;   // "success", "failure", "error"
    HttpClient::Error error = HttpClient::Error::EmptyUrl;
    QString errorText;
    int packets = 0;
    QStringList events;
};

Outcome run(HttpClient &client, const QString &url, const QString &bodyPath)
{
    Outcome o;
    QList<QMetaObject::Connection> links;
    links << QObject::connect(&client, &HttpClient::hostResolved, [&] { o.events << "hostResolved"; });
    links << QObject::connect(&client, &HttpClient::invalidHost, [&] { o.events << "invalidHost"; });
    links << QObject::connect(&client, &HttpClient::connected, [&] { o.events << "connected"; });
    links << QObject::connect(&client, &HttpClient::connectionFailed, [&] { o.events << "connectionFailed"; });
    links << QObject::connect(&client, &HttpClient::packetReceived, [&] { ++o.packets; });
    links << QObject::connect(&client, &HttpClient::success, [&] { o.result = "success"; });
    links << QObject::connect(&client, &HttpClient::failure, [&] { o.result = "failure"; });
    links << QObject::connect(&client, &HttpClient::error, [&](HttpClient::Error e, const QString &text) {
        o.result = "error";
        o.error = e;
        o.errorText = text;
    });
    client.get(url, bodyPath);
    EXPECT_TRUE(waitUntil([&] { return !o.result.isEmpty(); })) << url.toStdString();
    for (const auto &l : links)
        QObject::disconnect(l);
    return o;
}

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.tile = jpegBytes(32, 24);
        body = dir.filePath("body.jpg");
    }
    QString url(const QString &path = "/Fonds_ImagesZoom/077/07711504/0000001/MAXI_AA.jpg") const
    {
        return "http://" + server.authority() + path;
    }
    QTemporaryDir dir;
    TestServer server;
    HttpClient client;
    QString body;
};

TEST_F(HttpClientTest, RequestOfATileIsExactlyTheExpectedBytes)
{
    const Outcome o = run(client, url(), body);
    ASSERT_EQ(o.result, "success");
    ASSERT_EQ(server.requests.size(), 1);
    const QByteArray expected = "GET /Fonds_ImagesZoom/077/07711504/0000001/MAXI_AA.jpg HTTP/1.0\r\n"
                                "Host: 127.0.0.1\r\n"
                                "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                                "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
                                "Content-type: application/x-www-form-urlencoded\r\n"
                                "\r\n";
    EXPECT_EQ(server.requests.first(), expected);
    EXPECT_EQ(client.lastRequest(), expected);
}

TEST_F(HttpClientTest, SuccessfulGetStoresExactlyTheBodyAndTellsEachStage)
{
    server.tile = jpegBytes(512, 384);   // large enough for several packets on some systems
    const Outcome o = run(client, url(), body);
    EXPECT_EQ(o.result, "success");
    EXPECT_EQ(client.status(), 200);
    EXPECT_EQ(readFile(body), server.tile);
    EXPECT_GE(o.packets, 1);
    EXPECT_EQ(o.events, QStringList{"connected"});   // a numeric address is not looked up
    EXPECT_TRUE(client.responseHeader().startsWith("HTTP/1.0 200 OK\r\n"));
    EXPECT_TRUE(client.responseHeader().endsWith("\r\n\r\n"));
    EXPECT_FALSE(client.busy());
}

// Every way a server can answer, and how the transaction ends.
TEST_F(HttpClientTest, EachKindOfAnswerEndsTheTransactionOnce)
{
    client.setTimeout(300);
    struct Case {
        Reply reply;
        const char *result;
        HttpClient::Error error;
        int status;
    };
    const Case cases[] = {
        {Reply::Jpeg, "success", {}, 200},
        {Reply::NotFound, "failure", {}, 404},
        {Reply::ServerError, "failure", {}, 500},
        {Reply::NoStatus, "failure", {}, 0},
        {Reply::Truncated, "failure", {}, 200},
        {Reply::Reset, "failure", {}, 200},
        {Reply::Stall, "error", HttpClient::Error::ReadTimedOut, 0},
        {Reply::LongHeader, "error", HttpClient::Error::HeaderLineTooLong, 200},
        {Reply::ManyHeaders, "error", HttpClient::Error::TooManyHeaderLines, 200},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.reply));
        server.script = [&](const QByteArray &) { return TestServer::Answer{c.reply}; };
        int results = 0;
        auto a = QObject::connect(&client, &HttpClient::success, [&] { ++results; });
        auto b = QObject::connect(&client, &HttpClient::failure, [&] { ++results; });
        auto e = QObject::connect(&client, &HttpClient::error, [&] { ++results; });
        LogCapture log;
        const Outcome o = run(client, url(), body);
        // Nothing more arrives afterwards.
        QCoreApplication::processEvents();
        QObject::disconnect(a);
        QObject::disconnect(b);
        QObject::disconnect(e);
        EXPECT_EQ(o.result, c.result);
        EXPECT_EQ(results, 1);
        EXPECT_EQ(client.status(), c.status);
        // A refused answer is logged with its address; a tile received is not.
        const QStringList warnings = log.warnings("orvantis.net");
        if (o.result == "success")
            EXPECT_TRUE(warnings.isEmpty()) << warnings.join(u'\n').toStdString();
        else
            EXPECT_TRUE(warnings.size() == 1 && warnings.first().contains(url())) << warnings.join(u'\n').toStdString();
        if (o.result == "error") {
            EXPECT_EQ(o.error, c.error);
            EXPECT_EQ(o.errorText, net::failureText(c.error));
        }
        EXPECT_FALSE(client.busy());
    }
}

TEST_F(HttpClientTest, RedirectGoesToTheLocationOnTheSameServerAndSendsTheCookieBack)
{
    server.script = [](const QByteArray &path) {
        if (path == "/first")
            return TestServer::Answer{Reply::Redirect, {}, "/tiles/a.jpg", "session=42"};
        return TestServer::Answer{Reply::Jpeg};
    };
    const Outcome o = run(client, url("/first"), body);
    EXPECT_EQ(o.result, "success");
    ASSERT_EQ(server.paths, (QList<QByteArray>{"/first", "/tiles/a.jpg"}));
    EXPECT_FALSE(server.requests[0].contains("Cookie"));
    EXPECT_TRUE(server.requests[1].contains("\r\nCookie: session=42\r\nContent-type: application/x-www-form-urlencoded\r\n\r\n"));
    EXPECT_EQ(readFile(body), server.tile);
}

TEST_F(HttpClientTest, CookieIsSentOnlyToTheHostThatSetIt)
{
    // Another host by address: the name localhost need not resolve on every machine.
    TestServer other(QHostAddress(QStringLiteral("127.0.0.2")));
    other.tile = server.tile;
    const QByteArray elsewhere = QStringLiteral("http://127.0.0.2:%1/other.jpg").arg(other.port()).toLatin1();
    server.script = [&](const QByteArray &) {
        return TestServer::Answer{Reply::Redirect, {}, elsewhere, "secret=1"};
    };
    const Outcome o = run(client, url("/start"), body);
    EXPECT_EQ(o.result, "success");
    ASSERT_EQ(other.requests.size(), 1);
    EXPECT_TRUE(other.requests[0].contains("\r\nHost: 127.0.0.2\r\n"));
    EXPECT_FALSE(other.requests[0].contains("Cookie"));
    EXPECT_EQ(client.cookieHost(), "127.0.0.1");
}

TEST_F(HttpClientTest, ValuesSentBackCannotAddLinesToTheRequest)
{
    server.script = [](const QByteArray &path) {
        if (path == "/first")
            return TestServer::Answer{Reply::Redirect, {}, "/next\rX-Injected: 1", "a=1\rX-Evil: 1"};
        return TestServer::Answer{Reply::Jpeg};
    };
    const Outcome o = run(client, url("/first"), body);
    EXPECT_EQ(o.result, "success");
    ASSERT_EQ(server.requests.size(), 2);
    EXPECT_FALSE(server.requests[1].contains("\rX-"));
    EXPECT_TRUE(server.requests[1].contains("\r\nCookie: a=1X-Evil: 1\r\n"));
}

TEST_F(HttpClientTest, EndlessRedirectsEndWithAnErrorAfterTwenty)
{
    server.script = [](const QByteArray &) { return TestServer::Answer{Reply::Redirect, {}, "/again"}; };
    const Outcome o = run(client, url("/again"), body);
    EXPECT_EQ(o.result, "error");
    EXPECT_EQ(o.error, HttpClient::Error::TooManyRedirects);
    EXPECT_EQ(server.requests.size(), HttpClient::kMaxRedirects + 1);
}

TEST_F(HttpClientTest, RefusedSchemesHostsAndPortsFailWithTheirTexts)
{
    // A port where nothing listens any more.
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    using Error = HttpClient::Error;
    struct Case {
        QString url;
        Error error;
        QString text;
        QStringList events;
    };
    const QString badAddress = QStringLiteral("Adresse du serveur incorrecte");
    const Case cases[] = {
        {"", Error::EmptyUrl, badAddress, {}},
        {"https://127.0.0.1/x.jpg", Error::SecureNotSupported, badAddress, {}},
        {"http://bad..host/x.jpg", Error::NullRemoteAddress, "Serveur Indisponible", {"invalidHost"}},
        // A port that is no number from 1 to 65535 is refused, never taken for port 80.
        {"http://127.0.0.1:0/x.jpg", Error::BadPort, badAddress, {}},
        {"http://127.0.0.1:65536/x.jpg", Error::BadPort, badAddress, {}},
        {"http://127.0.0.1:99999999999/x.jpg", Error::BadPort, badAddress, {}},
        {"http://127.0.0.1:8o/x.jpg", Error::BadPort, badAddress, {}},
        {"http://127.0.0.1:-80/x.jpg", Error::BadPort, badAddress, {}},
        {"http://127.0.0.1:/x.jpg", Error::BadPort, badAddress, {}},
        {QString("http://127.0.0.1:%1/x.jpg").arg(closedPort), Error::ConnectionFailed, "Connexion impossible à la BNF",
         {"connectionFailed"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        HttpClient fresh;
        const Outcome o = run(fresh, c.url, body);
        EXPECT_EQ(o.result, "error");
        EXPECT_EQ(o.error, c.error);
        EXPECT_EQ(o.errorText, c.text);
        EXPECT_EQ(o.events, c.events);
    }
    EXPECT_TRUE(server.requests.isEmpty());
}

TEST_F(HttpClientTest, ATricklingServerMeetsTheTransactionDeadline)
{
    // One byte every 2 s never trips the idle time-out; the deadline of the whole transfer ends it.
    server.script = [](const QByteArray &) { return TestServer::Answer{Reply::Trickle}; };
    client.setDeadline(1500);
    const Outcome o = run(client, url(), body);
    EXPECT_EQ(o.result, "error");
    EXPECT_EQ(o.error, HttpClient::Error::DeadlineExceeded);
    EXPECT_FALSE(client.busy());
}

TEST_F(HttpClientTest, ABodyOverTheLimitEndsAsAFailureAtOnceWithoutBeingKept)
{
    struct Case {
        const char *name;
        Reply reply;
    };
    // Endless: no length, data without end. HalfThenStall: its announced length is over the
    // limit, so the answer fails at its header without waiting for the stalled rest.
    const Case cases[] = {{"endless body", Reply::Endless}, {"announced over the limit", Reply::HalfThenStall}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(body);
        server.script = [&](const QByteArray &) { return TestServer::Answer{c.reply}; };
        client.setMaxBodyBytes(c.reply == Reply::Endless ? 1024 * 1024 : server.tile.size() / 4);
        const Outcome o = run(client, url(), body);
        EXPECT_EQ(o.result, "failure");
        EXPECT_LE(QFileInfo(body).size(), client.maxBodyBytes());
        EXPECT_FALSE(client.busy());
    }
}

TEST(HttpClientUrl, PartsOfAUrl)
{
    struct Case {
        QString url;
        quint16 currentPort;
        QString host;
        int port;
        QString path;
    };
    const Case cases[] = {
        {"http://gallica.bnf.fr/Fonds_ImagesZoom/077/07711504/0000001/MAXI_AA.jpg", 0, "gallica.bnf.fr", 80,
         "/Fonds_ImagesZoom/077/07711504/0000001/MAXI_AA.jpg"},
        {"http://127.0.0.1:8077/a/b.jpg", 0, "127.0.0.1", 8077, "/a/b.jpg"},
        {"HTTP://server", 0, "server", 80, "/"},
        {"ftp://server/f", 0, "server", 21, "/f"},
        {"gopher://server/f", 0, "server", 70, "/f"},
        {"/tiles/a.jpg", 8077, "", 8077, "/tiles/a.jpg"},
        {"/tiles/a:b.jpg", 8077, "", 8077, "/tiles/a:b.jpg"},
        {"server:81/x", 0, "server", 81, "/x"},
        {"server:65535/x", 0, "server", 65535, "/x"},
        {"server:0/x", 0, "server", -1, "/x"},
        {"http://server:80a/x", 0, "server", -1, "/x"},
        {"http://h/" + QString(300, 'p'), 0, "h", 80, "/" + QString(255, 'p')},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        const auto t = HttpClient::parseUrl(c.url, c.currentPort);
        EXPECT_FALSE(t.secure);
        EXPECT_EQ(t.host, c.host);
        EXPECT_EQ(t.port, c.port);
        EXPECT_EQ(t.requestPath, c.path);
    }
    EXPECT_TRUE(HttpClient::parseUrl("HTTPS://h/x", 0).secure);
}

} // namespace

// The words the status field and the reading of an address show for each failed request.
TEST(FailureTexts, EveryFailedRequestHasItsFrenchWords)
{
    using Error = HttpClient::Error;
    const std::pair<Error, const char *> clientCases[] = {
        {Error::EmptyUrl, "Adresse du serveur incorrecte"},
        {Error::SecureNotSupported, "Adresse du serveur incorrecte"},
        {Error::BadPort, "Adresse du serveur incorrecte"},
        {Error::AlreadyConnected, "Erreur de communication avec la BNF"},
        {Error::SocketError, "Erreur de communication avec la BNF"},
        {Error::NullRemoteAddress, "Serveur Indisponible"},
        {Error::ConnectionFailed, "Connexion impossible à la BNF"},
        {Error::ConnectionTimedOut, "Connexion impossible à la BNF"},
        {Error::HostLookupTimedOut, "Délai d'attente dépassé"},
        {Error::ReadTimedOut, "Délai d'attente dépassé"},
        {Error::DeadlineExceeded, "Délai d'attente dépassé"},
        {Error::TooManyRedirects, "Trop de redirections"},
        {Error::HeaderLineTooLong, "Réponse du serveur incorrecte"},
        {Error::TooManyHeaderLines, "Réponse du serveur incorrecte"},
        {Error::FileError, "Erreur d'écriture de l'image"},
    };
    for (const auto &[error, text] : clientCases)
        EXPECT_EQ(net::failureText(error), QString::fromUtf8(text)) << int(error);

    using Outcome = PacedFetcher::Outcome;
    const QString words = QStringLiteral("the network's words");
    const QString prefix = QStringLiteral("Lecture impossible : ");
    const std::pair<Outcome, QString> fetchCases[] = {
        {Outcome::CertificateRefused, "Certificat du serveur refusé : " + words},
        {Outcome::FileError, "Erreur d'écriture de l'image"},
        {Outcome::TimedOut, "Délai d'attente dépassé"},
        {Outcome::TooManyRedirects, "Trop de redirections"},
        {Outcome::Refused, words},
        {Outcome::HttpError, prefix + words},
        {Outcome::NetworkError, prefix + words},
        {Outcome::TooLarge, prefix + words},
    };
    for (const auto &[outcome, text] : fetchCases) {
        PacedFetcher::Result result;
        result.outcome = outcome;
        result.text = words;
        EXPECT_EQ(net::failureText(result, prefix), text) << int(outcome);
    }
}
