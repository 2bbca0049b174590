#include "TileServer.h"
#include "net/HttpClient.h"
#include "net/Wait.h"
#include "support/TestFiles.h"

#include <QProcess>
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

#ifdef TILESERVER_PATH
TEST_F(TileServerTest, ProgramServesTheRootGivenOnItsCommandLine)
{
    QProcess program;
    program.start(QStringLiteral(TILESERVER_PATH), {"--root", root.path(), "--listen", "127.0.0.1:0"});
    ASSERT_TRUE(program.waitForStarted(10000));
    QByteArray out;
    ASSERT_TRUE(waitUntil([&] {
        out += program.readAllStandardOutput();
        return out.contains('\n');
    }));
    const auto match = QRegularExpression("on 127\\.0\\.0\\.1:(\\d+)").match(QString::fromLatin1(out));
    ASSERT_TRUE(match.hasMatch()) << out.toStdString();
    const Fetched f = fetch(QStringLiteral("http://127.0.0.1:%1/Fonds_ImagesZoom/077/07711504/0000001/MAXI_AA.jpg")
                                .arg(match.captured(1)),
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
#endif

} // namespace
