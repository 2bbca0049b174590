// nginx, started by the test on 127.0.0.1 with the configuration orvantis-tileserver writes,
// serves a maps root as the tile server does: the same answers to the same raw requests
// (hostile ones included), and the download engine installs the same tiles from either.
#include "TileServer.h"
#include "catalogue/CassiniCatalogue.h"
#include "download/DownloadEngine.h"
#include "download/DownloadList.h"
#include "support/EngineRig.h"
#include "support/Wait.h"
#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "store/TileStore.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace testing_support;
using source::RowState;
using source::TileRect;

namespace {

#ifdef TILESERVER_PATH

QString nginxProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("nginx"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin"),
                                           QStringLiteral("/usr/bin")});
}

// A port of 127.0.0.1 free a moment ago.
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return probe.serverPort();
}

// Sends raw bytes, returns the whole answer (until the server closes), within `bound` ms.
QByteArray exchange(quint16 port, const QByteArray &request, int bound = 20000)
{
    QTcpSocket socket;
    QByteArray answer;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { answer += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::connected, [&] { socket.write(request); });
    socket.connectToHost(QHostAddress(QStringLiteral("127.0.0.1")), port);
    waitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, bound);
    return answer + socket.readAll();
}

// Whether `account` may reach `path` for `mode` (access(2)), becoming it as the programs
// started for it do.
bool accountMayReach(const passwd *account, const QString &path, int mode)
{
    const QByteArray name = QFile::encodeName(path);
    const uid_t uid = account->pw_uid;
    const gid_t gid = account->pw_gid;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(2);
        ::_exit(::access(name.constData(), mode) == 0 ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int statusOf(const QByteArray &answer)
{
    const QList<QByteArray> fields = answer.left(answer.indexOf('\n')).split(' ');
    return fields.size() >= 2 ? fields[1].toInt() : 0;
}

QByteArray bodyOf(const QByteArray &answer)
{
    const qsizetype end = answer.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : answer.mid(end + 4);
}

class NginxServingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        nginx = nginxProgram();
        if (nginx.isEmpty())
            GTEST_SKIP() << "nginx is not installed";
        // Started as root, nginx's workers run as another account: it must read the root.
        ::chmod(QFile::encodeName(root.path()).constData(), 0755);
        tiles = {{"MAXI_AA.jpg", jpegBytes(20, 15, Qt::red)},
                 {"MAXI_BA.jpg", jpegBytes(20, 15, Qt::green)},
                 {"MAXI_AB.jpg", jpegBytes(20, 15, Qt::blue)}};
        for (const auto &[name, bytes] : tiles) {
            writeFile(root.filePath(QStringLiteral("Cassini couleurs/Carte12/") + name), bytes);
            writeFile(root.filePath(QStringLiteral("Archives Bnf/Carte12/F007/") + name), bytes);
        }
        writeFile(root.filePath("Cassini noir et blanc/Carte1/MAXI_CC.jpg"), jpegBytes(8, 8, Qt::gray));
        // Hostile entries: links out of the root (a file, a folder, a device), a pipe.
        writeFile(outside.filePath("MAXI_AA.jpg"), "secret");
        const QString sheet = root.filePath("Cassini couleurs/Carte12/");
        link(outside.filePath("MAXI_AA.jpg"), sheet + "MAXI_DD.jpg");
        link(outside.path(), root.filePath("Cassini couleurs/Carte13"));
        link("/dev/zero", sheet + "MAXI_EE.jpg");
        ::mkfifo(QFile::encodeName(sheet + "MAXI_FF.jpg").constData(), 0644);
        link("MAXI_AA.jpg", sheet + "MAXI_GG.jpg");

        ASSERT_TRUE(tileServer.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
        startNginx();
    }
    void TearDown() override
    {
        if (nginxProcess.state() != QProcess::NotRunning) {
            nginxProcess.terminate();
            if (!nginxProcess.waitForFinished(10000))
                nginxProcess.kill();
            nginxProcess.waitForFinished(10000);
        }
    }
    static void link(const QString &target, const QString &name)
    {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(name).constData()), 0);
    }

    // The configuration from the program's own option, nginx run with it in the foreground;
    // both run as `account` when given (the test then runs as root).
    void startNginx(const passwd *account = nullptr)
    {
        nginxPort = freePort();
        const QDir prefix(account ? userPrefix.path() : firstPrefix.path());
        prefixPath = prefix.path();
        QProcess generator;
        if (account) {
            const uid_t uid = account->pw_uid;
            const gid_t gid = account->pw_gid;
            const auto becomeAccount = [uid, gid] {
                if (::setgid(gid) != 0 || ::setuid(uid) != 0)
                    ::_exit(127);
            };
            generator.setChildProcessModifier(becomeAccount);
            nginxProcess.setChildProcessModifier(becomeAccount);
            ::chown(QFile::encodeName(prefixPath).constData(), uid, gid);
        }
        generator.setWorkingDirectory(prefixPath);
        nginxProcess.setWorkingDirectory(prefixPath);
        generator.start(tileServerProgram,
                        {"--nginx-config", "--root", root.path(), "--listen",
                         QStringLiteral("127.0.0.1:%1").arg(nginxPort)});
        ASSERT_TRUE(generator.waitForFinished(60000));
        ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();
        const QByteArray configuration = generator.readAllStandardOutput();
        EXPECT_TRUE(configuration.contains("disable_symlinks on"));
        EXPECT_EQ(configuration.contains("\nuser "), ::geteuid() == 0 && !account);
        prefix.mkdir("logs");
        if (account)
            ::chown(QFile::encodeName(prefix.filePath("logs")).constData(), account->pw_uid, account->pw_gid);
        writeFile(prefix.filePath("tiles.conf"), configuration);
        nginxProcess.setProcessChannelMode(QProcess::MergedChannels);
        nginxProcess.start(nginx, {"-p", prefixPath + u'/', "-c", prefix.filePath("tiles.conf"), "-g",
                                   "daemon off;"});
        ASSERT_TRUE(nginxProcess.waitForStarted(60000));
        const bool listening = waitUntil([&] {
            if (nginxProcess.state() == QProcess::NotRunning)
                return true;
            QTcpSocket probe;
            probe.connectToHost(QHostAddress(QStringLiteral("127.0.0.1")), nginxPort);
            return probe.waitForConnected(200);
        }, 60000);
        ASSERT_TRUE(listening && nginxProcess.state() == QProcess::Running)
            << nginxProcess.readAll().toStdString() << readFile(prefix.filePath("logs/error.log")).toStdString();
    }

    QTemporaryDir root, outside, firstPrefix, userPrefix, programCopy;
    QString tileServerProgram = QStringLiteral(TILESERVER_PATH);
    QString prefixPath;
    std::vector<std::pair<QString, QByteArray>> tiles;
    TileServer tileServer{root.path()};
    QString nginx;
    QProcess nginxProcess;
    quint16 nginxPort = 0;
};

TEST_F(NginxServingTest, AnswersTheSameRequestsAsTheTileServer)
{
    const QByteArray red = tiles[0].second;
    struct Case {
        const char *path;
        int status;
        int nginxStatus;   // where nginx differs, and why
    };
    const Case cases[] = {
        {"/Fonds_ImagesZoom/077/07711544/0000001/MAXI_AA.jpg", 0, 0},   // sheet 12, colour (filled below)
        {"/Fonds_ImagesZoom/077/07710012/0000007/MAXI_BA.jpg", 200, 200},    // archive map 12, sheet 7
        {"/Fonds_ImagesZoom/077/077010012/0000007/MAXI_AB.jpg", 200, 200},   // the same, a leading zero
        {"/Fonds_ImagesZoom/077/07710012/0000007/MAXI_ZZ.jpg", 404, 404},
        {"/Fonds_ImagesZoom/077/07710012/0000000/MAXI_AA.jpg", 404, 404},
        {"/Fonds_ImagesZoom/077/07710012/0000008/MAXI_AA.jpg", 404, 404},
        {"/Fonds_ImagesZoom/077/07710000/0000007/MAXI_AA.jpg", 404, 404},
        {"/Fonds_ImagesZoom/077/07710012/0000007/MAXI_aa.jpg", 404, 404},
        {"/Fonds_ImagesZoom/077/07710012/0000007/MAXI_A%41.jpg", 404, 404},   // encoded letter
        {"/Fonds_ImagesZoom/077/07710012/0000007/MAXI_AA.jpg?x=1", 404, 404},
        {"/Fonds_ImagesZoom/077/07710012/0000007/../0000007/MAXI_AA.jpg", 404, 404},
        {"/Fonds_ImagesZoom/077/07710012/0000007/%2e%2e/0000007/MAXI_AA.jpg", 404, 404},
        {"/Fonds_ImagesZoom/077/07710012/0000007/%2E%2E/%2E%2E/%2E%2E/x.jpg", 404, 404},
        {"/Archives%20Bnf/Carte12/F007/MAXI_AA.jpg", 404, 404},   // a file's own path
        {"/Archives Bnf/Carte12/F007/MAXI_AA.jpg", 404, 400},   // for nginx a malformed request line
        {"/", 404, 404},   // no listing
        {"/Archives%20Bnf/", 404, 404},
        {"/Fonds_ImagesZoom/077/07711544/0000001/MAXI_DD.jpg", 404, 404},   // link to a file outside
        {"/Fonds_ImagesZoom/077/07711564/0000001/MAXI_AA.jpg", 404, 404},   // sheet 13's folder links outside
        {"/Fonds_ImagesZoom/077/07711544/0000001/MAXI_EE.jpg", 404, 404},   // link to /dev/zero
        {"/Fonds_ImagesZoom/077/07711544/0000001/MAXI_FF.jpg", 404, 404},   // a pipe
        // A link that stays inside the root: the tile server follows it, nginx follows none.
        {"/Fonds_ImagesZoom/077/07711544/0000001/MAXI_GG.jpg", 200, 404},
    };
    const QString colour12 = cassini::documentNumber(12, 0);
    const QString grey1 = cassini::documentNumber(1, 1);
    std::vector<Case> table(std::begin(cases), std::end(cases));
    std::vector<QByteArray> paths;
    for (const Case &c : table)
        paths.push_back(QByteArray(c.path).replace("11544", colour12.toLatin1()).replace("11564",
                                                   cassini::documentNumber(13, 0).toLatin1()));
    paths[0] = ("/Fonds_ImagesZoom/077/077" + colour12 + "/0000001/MAXI_AA.jpg").toLatin1();
    table[0].status = table[0].nginxStatus = 200;
    paths.push_back(("/Fonds_ImagesZoom/077/077" + grey1 + "/0000001/MAXI_CC.jpg").toLatin1());
    table.push_back({"", 200, 200});

    for (size_t i = 0; i < table.size(); ++i) {
        SCOPED_TRACE(paths[i].toStdString());
        for (const char *method : {"GET", "HEAD"}) {
            SCOPED_TRACE(method);
            const QByteArray request = method + (" " + paths[i]) + " HTTP/1.0\r\n\r\n";
            const QByteArray fromTileServer = exchange(tileServer.port(), request);
            const QByteArray fromNginx = exchange(nginxPort, request);
            EXPECT_EQ(statusOf(fromTileServer), table[i].status);
            EXPECT_EQ(statusOf(fromNginx), table[i].nginxStatus) << fromNginx.left(200).toStdString();
            if (table[i].nginxStatus == 200 && std::string(method) == "GET") {
                EXPECT_EQ(bodyOf(fromNginx), bodyOf(fromTileServer));
                EXPECT_TRUE(fromNginx.contains("Content-Type: image/jpeg"));
            }
            if (table[i].nginxStatus != 200)
                EXPECT_FALSE(fromNginx.contains(red) || fromNginx.contains("secret"));
        }
    }
}

// A sheet downloaded by the program from nginx is the sheet downloaded from the tile server:
// the same tiles, the same rows with the same outcome.
TEST_F(NginxServingTest, TheProgramDownloadsTheSameSheetFromEither)
{
    struct Outcome {
        QList<std::tuple<int, QString, RowState>> rows;
        QMap<QString, QByteArray> files;
    };
    auto download = [&](quint16 port) {
        ScriptedDesktop desktop;
        EngineRig rig(desktop);
        rig.context.setTileServer(QStringLiteral("127.0.0.1:%1").arg(port));
        rig.selectCassini(editions::kColour, 12);
        Outcome outcome;
        QObject::connect(&rig.engine, &DownloadEngine::tileDone, [&](int row, const QString &name, RowState state) {
            outcome.rows << std::make_tuple(row, name, state);
        });
        const EngineRig::Run run = rig.run(TileRect{0, 2, 0, 1});
        EXPECT_TRUE(run.started);
        EXPECT_TRUE(run.ended);
        const QDir folder(rig.mapsRoot + QStringLiteral("Cassini couleurs/Carte12"));
        for (const QString &name : folder.entryList(QDir::Files))
            outcome.files.insert(name, readFile(folder.filePath(name)));
        return outcome;
    };
    const Outcome fromTileServer = download(tileServer.port());
    const Outcome fromNginx = download(nginxPort);
    ASSERT_EQ(fromTileServer.files.size(), 3);
    for (const auto &[name, bytes] : tiles)
        EXPECT_EQ(fromTileServer.files.value(name), bytes) << name.toStdString();
    EXPECT_EQ(fromNginx.files, fromTileServer.files);
    EXPECT_EQ(fromNginx.rows, fromTileServer.rows);
    EXPECT_EQ(fromNginx.rows.size(), 6);
}

// Started by a user, not root: no user directive, and everything it writes (pid file, logs,
// temporary folders) stays under its prefix.
TEST_F(NginxServingTest, AUserStartsItToo)
{
    if (::geteuid() == 0) {
        const passwd *nobody = ::getpwnam("nobody");
        if (!nobody)
            GTEST_SKIP() << "no account to run nginx as";
        // Both programs run as that account. The build may sit where only its owner enters
        // (root's home): the tile server is run from a copy in a folder open to all. The maps
        // root is a temporary folder opened to all (SetUp).
        ::chmod(QFile::encodeName(programCopy.path()).constData(), 0755);
        tileServerProgram = programCopy.filePath(QStringLiteral("orvantis-tileserver"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TILESERVER_PATH), tileServerProgram));
        QFile::setPermissions(tileServerProgram, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                     | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                                     | QFile::ExeOther);
        if (!accountMayReach(nobody, tileServerProgram, X_OK))
            GTEST_SKIP() << "nobody cannot run programs from the temporary folder " << programCopy.path().toStdString();
        const QString tile = root.filePath(QStringLiteral("Cassini couleurs/Carte12/MAXI_BA.jpg"));
        if (!accountMayReach(nobody, tile, R_OK))
            GTEST_SKIP() << "nobody cannot read the maps root in the temporary folder " << root.path().toStdString();
        TearDown();
        nginxProcess.setProcessChannelMode(QProcess::MergedChannels);
        startNginx(nobody);
    }
    const QByteArray answer = exchange(
        nginxPort, "GET /Fonds_ImagesZoom/077/077" + cassini::documentNumber(12, 0).toLatin1()
                       + "/0000001/MAXI_BA.jpg HTTP/1.0\r\n\r\n");
    EXPECT_EQ(statusOf(answer), 200);
    EXPECT_EQ(bodyOf(answer), tiles[1].second);
    const QDir prefix(prefixPath);
    EXPECT_TRUE(QFile::exists(prefix.filePath("logs/nginx.pid")));
    EXPECT_TRUE(QFile::exists(prefix.filePath("logs/access.log")));
    EXPECT_TRUE(QFileInfo(prefix.filePath("client_body_temp")).isDir());
}

#endif

} // namespace
