#include "TileServer.h"
#include "net/HttpClient.h"
#include "support/Wait.h"
#include "support/TestFiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <memory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

struct Fetched {
    QString result;
    QByteArray body;
    int status = 0;
};

Fetched fetch(const QString &url, const QString &bodyPath)
{
    HttpClient client;
    Fetched f;
    QObject::connect(&client, &HttpClient::success, [&] { f.result = "success"; });
    QObject::connect(&client, &HttpClient::failure, [&] { f.result = "failure"; });
    QObject::connect(&client, &HttpClient::error, [&] { f.result = "error"; });
    client.get(url, bodyPath);
    EXPECT_TRUE(waitUntil([&] { return !f.result.isEmpty(); }));
    f.status = client.status();
    f.body = readFile(bodyPath);
    return f;
}

// Sends raw bytes and returns the whole answer (until the server closes), within `bound` ms.
QByteArray exchange(quint16 port, const QByteArray &request, int bound = 10000)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress(QStringLiteral("127.0.0.1")), port);
    QByteArray answer;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { answer += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::connected, [&] { socket.write(request); });
    waitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, bound);
    answer += socket.readAll();
    return answer;
}

QByteArray tileRequest(const QString &path = QStringLiteral("11504/0000001/MAXI_AA.jpg"))
{
    return "GET /Fonds_ImagesZoom/077/077" + path.toLatin1() + " HTTP/1.0\r\n\r\n";
}

class TileServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        colourTile = jpegBytes(20, 15, Qt::red);
        greyTile = jpegBytes(20, 15, Qt::gray);
        archiveTile = jpegBytes(20, 15, Qt::blue);
        writeFile(root.filePath("Cassini couleurs/Carte1/MAXI_AA.jpg"), colourTile);
        writeFile(root.filePath("Cassini noir et blanc/Carte1/MAXI_BA.jpg"), greyTile);
        writeFile(root.filePath("Archives Bnf/Carte12/F007/MAXI_CB.jpg"), archiveTile);
    }
    QTemporaryDir root, scratch;
    QByteArray colourTile, greyTile, archiveTile;

#ifdef TILESERVER_PATH
    // Starts the program on the root, on a free port of 127.0.0.1: the port it says it
    // listens on, 0 when it did not start or say so. `out` keeps what it printed.
    quint16 startProgram(QProcess &program, QByteArray &out)
    {
        program.start(QStringLiteral(TILESERVER_PATH), {"--root", root.path(), "--listen", "127.0.0.1:0"});
        if (!program.waitForStarted(10000))
            return 0;
        waitUntil([&] {
            out += program.readAllStandardOutput();
            return out.contains('\n');
        });
        const auto match = QRegularExpression("on 127\\.0\\.0\\.1:(\\d+)").match(QString::fromLatin1(out));
        return match.hasMatch() ? quint16(match.captured(1).toUInt()) : 0;
    }
#endif
};

TEST_F(TileServerTest, ServesTilesOfBothEditionsAndArchivesAndAnswers404OtherWise)
{
    TileServer server(root.path());
    QStringList log;
    QObject::connect(&server, &TileServer::logLine, [&](const QString &l) { log << l; });
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    const QString base = QStringLiteral("http://127.0.0.1:%1/Fonds_ImagesZoom/077/077").arg(server.port());
    struct Case {
        QString path;
        int status;
        QByteArray body;
    };
    const Case cases[] = {
        {"11504/0000001/MAXI_AA.jpg", 200, colourTile},   // colour sheet 1
        {"11505/0000001/MAXI_BA.jpg", 200, greyTile},     // black-and-white sheet 1
        {"10012/0000007/MAXI_CB.jpg", 200, archiveTile},  // archive position 12, sheet 7
        {"11504/0000001/MAXI_ZZ.jpg", 404, {}},
        {"10012/0000008/MAXI_CB.jpg", 404, {}},
        {"11504/0000001/../../x.jpg", 404, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const Fetched f = fetch(base + c.path, scratch.filePath("body"));
        EXPECT_EQ(f.status, c.status);
        EXPECT_EQ(f.result, c.status == 200 ? "success" : "failure");
        if (c.status == 200)
            EXPECT_EQ(f.body, c.body);
    }
    ASSERT_EQ(log.size(), 6);
    EXPECT_EQ(log[0], QStringLiteral("127.0.0.1 \"GET /Fonds_ImagesZoom/077/07711504/0000001/MAXI_AA.jpg HTTP/1.0\" 200 %1")
                          .arg(colourTile.size()));
    EXPECT_TRUE(log[3].contains("\" 404 "));
}

// A maps root named "back\slash" is one folder: its tiles are served, nothing is looked for
// in a folder "back".
TEST_F(TileServerTest, ARootWithABackslashInItsNameIsServed)
{
    const QString backslashRoot = root.filePath(QStringLiteral("back\\slash"));
    writeFile(backslashRoot + QStringLiteral("/Cassini couleurs/Carte1/MAXI_AA.jpg"), colourTile);
    writeFile(backslashRoot + QStringLiteral("/Archives Bnf/Carte12/F007/MAXI_CB.jpg"), archiveTile);
    writeFile(root.filePath(QStringLiteral("back/slash/Cassini couleurs/Carte1/MAXI_BA.jpg")), greyTile);
    TileServer server(backslashRoot);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    const QString base = QStringLiteral("http://127.0.0.1:%1/Fonds_ImagesZoom/077/077").arg(server.port());
    const struct {
        const char *path;
        int status;
        QByteArray body;
    } cases[] = {
        {"11504/0000001/MAXI_AA.jpg", 200, colourTile},
        {"10012/0000007/MAXI_CB.jpg", 200, archiveTile},
        {"11504/0000001/MAXI_BA.jpg", 404, {}},   // only in back/slash, another folder
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        const Fetched f = fetch(base + QString::fromLatin1(c.path), scratch.filePath("body"));
        EXPECT_EQ(f.status, c.status);
        if (c.status == 200)
            EXPECT_EQ(f.body, c.body);
    }
}

#ifdef TILESERVER_PATH
TEST_F(TileServerTest, ProgramServesTheRootGivenOnItsCommandLine)
{
    QProcess program;
    QByteArray out;
    const quint16 port = startProgram(program, out);
    ASSERT_NE(port, 0) << out.toStdString();
    const Fetched f = fetch(QStringLiteral("http://127.0.0.1:%1/Fonds_ImagesZoom/077/07711504/0000001/MAXI_AA.jpg")
                                .arg(port),
                            scratch.filePath("body"));
    EXPECT_EQ(f.status, 200);
    EXPECT_EQ(f.body, colourTile);
    EXPECT_TRUE(waitUntil([&] {
        out += program.readAllStandardOutput();
        return out.contains("\" 200 ");
    }));
    program.kill();
    program.waitForFinished(10000);
}

TEST_F(TileServerTest, DescriptorsRunningOutDoNotKeepAnotherClientWaiting)
{
    // The program may open few descriptors; idle connections take them all.
    QProcess program;
    struct Stop {
        QProcess &p;
        ~Stop()
        {
            p.kill();
            p.waitForFinished(10000);
        }
    } stop{program};
    program.setChildProcessModifier([] {
        rlimit few{48, 48};
        ::setrlimit(RLIMIT_NOFILE, &few);
    });
    QByteArray out;
    const quint16 port = startProgram(program, out);
    ASSERT_NE(port, 0) << out.toStdString();

    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < 80; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress(QStringLiteral("127.0.0.1")), port);
    }
    // Every one of them reached the server (connected, or already dropped to make room).
    int pending = 0;
    waitUntil([&] {
        pending = 0;
        for (const auto &s : idle)
            pending += s->state() == QAbstractSocket::ConnectingState ? 1 : 0;
        return pending == 0;
    }, 30000);
    ASSERT_EQ(pending, 0);

    QElapsedTimer clock;
    clock.start();
    // Well before the idle connections' time-out (30 s) would make room.
    const QByteArray answer = exchange(port, tileRequest(), 10000);
    EXPECT_TRUE(answer.startsWith("HTTP/1.0 200 OK")) << clock.elapsed() << " ms: " << answer.left(40).toStdString();
    EXPECT_TRUE(answer.endsWith(colourTile));
    EXPECT_EQ(program.state(), QProcess::Running);
}
#endif

TEST_F(TileServerTest, OnlyRegularFilesInsideTheRootAreServedAndNothingBlocks)
{
    // Outside the root, a secret; links to it, to a device, and a pipe under tile names.
    QTemporaryDir outside;
    writeFile(outside.filePath("secret.jpg"), colourTile);
    const QString sheet = root.filePath("Cassini couleurs/Carte1/");
    ASSERT_EQ(::symlink(QFile::encodeName(outside.filePath("secret.jpg")).constData(),
                        QFile::encodeName(sheet + "MAXI_BB.jpg").constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(outside.path()).constData(),
                        QFile::encodeName(root.filePath("Cassini couleurs/Carte2")).constData()), 0);
    writeFile(outside.filePath("MAXI_AA.jpg"), colourTile);   // reached through the linked folder Carte2
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(sheet + "MAXI_CC.jpg").constData()), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(sheet + "MAXI_DD.jpg").constData(), 0600), 0);
    // A link that stays inside the root is served.
    ASSERT_EQ(::symlink("MAXI_AA.jpg", QFile::encodeName(sheet + "MAXI_EE.jpg").constData()), 0);

    TileServer server(root.path());
    ASSERT_TRUE(server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    struct Case {
        const char *path;
        int status;
    };
    const Case cases[] = {
        {"11504/0000001/MAXI_BB.jpg", 404},   // link to a file outside
        {"11524/0000001/MAXI_AA.jpg", 404},   // sheet 2's folder links outside
        {"11504/0000001/MAXI_CC.jpg", 404},   // link to /dev/zero
        {"11504/0000001/MAXI_DD.jpg", 404},   // a pipe
        {"11504/0000001/MAXI_EE.jpg", 200},   // link inside the root
        {"11504/0000001/MAXI_AA.jpg", 200},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        const QByteArray answer = exchange(server.port(), tileRequest(QString::fromLatin1(c.path)), 10000);
        EXPECT_TRUE(answer.startsWith("HTTP/1.0 " + QByteArray::number(c.status))) << answer.left(40).toStdString();
        if (c.status == 200)
            EXPECT_TRUE(answer.endsWith(colourTile));
        else
            EXPECT_FALSE(answer.contains(colourTile));
    }
}

TEST_F(TileServerTest, ASlowButSteadyReaderGetsALargeTileWhole)
{
    // 3 MB, read in small pieces over longer than the idle time-out: progress keeps it going.
    QByteArray large(3 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = char((i * 7919) >> 5);
    writeFile(root.filePath("Cassini couleurs/Carte1/MAXI_ZZ.jpg"), large);
    TileServer server(root.path());
    server.setIdleTimeout(400);
    ASSERT_TRUE(server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));

    QTcpSocket reader;
    reader.setReadBufferSize(64 * 1024);   // Qt reads no further ahead than this
    reader.connectToHost(QHostAddress(QStringLiteral("127.0.0.1")), server.port());
    ASSERT_TRUE(waitUntil([&] { return reader.state() == QAbstractSocket::ConnectedState; }));
    const int small = 16 * 1024;
    ::setsockopt(int(reader.socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    reader.write(tileRequest(QStringLiteral("11504/0000001/MAXI_ZZ.jpg")));
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    // 64 KB every 25 ms: about 1.2 s for the whole tile, three times the idle time-out.
    QTimer pace;
    QObject::connect(&pace, &QTimer::timeout, [&] { answer += reader.read(64 * 1024); });
    pace.start(25);
    waitUntil([&] {
        return reader.state() == QAbstractSocket::UnconnectedState && reader.bytesAvailable() == 0;
    }, 20000);
    answer += reader.readAll();
    EXPECT_GT(clock.elapsed(), 400);
    ASSERT_TRUE(answer.startsWith("HTTP/1.0 200 OK"));
    EXPECT_EQ(answer.size() - answer.indexOf("\r\n\r\n") - 4, large.size());
    EXPECT_TRUE(answer.endsWith(large));
}

TEST_F(TileServerTest, IdleConnectionsAtTheLimitMakeRoomForANewClient)
{
    TileServer server(root.path());
    server.setMaxConnections(3);
    ASSERT_TRUE(server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < 6; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress(QStringLiteral("127.0.0.1")), server.port());
    }
    int most = 0;
    waitUntil([&] {
        most = std::max(most, server.connectionCount());
        return server.connectionCount() == 3;
    }, 20000);
    const QByteArray answer = exchange(server.port(), tileRequest(), 10000);
    EXPECT_TRUE(answer.startsWith("HTTP/1.0 200 OK"));
    EXPECT_LE(std::max(most, server.connectionCount()), 3);
}

TEST_F(TileServerTest, TheLogEscapesControlCharactersOfRequests)
{
    TileServer server(root.path());
    QStringList log;
    QObject::connect(&server, &TileServer::logLine, [&](const QString &l) { log << l; });
    ASSERT_TRUE(server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    exchange(server.port(), "GET /\x1b[2J\x1b]0;owned\x07\"\x7f\xff HTTP/1.0\r\n\r\n", 10000);
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log[0], QStringLiteral("127.0.0.1 \"GET /\\x1b[2J\\x1b]0;owned\\x07\\x22\\x7f\\xff HTTP/1.0\" 404 %1")
                          .arg(QByteArray("<html><body>Not Found</body></html>\n").size()));
    for (const QChar c : log[0])
        EXPECT_GE(c.unicode(), 0x20);
}

} // namespace
