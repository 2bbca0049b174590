// The tile server under load: many clients at once, slow readers, requests already arrived
// when the connection limit is reached. Clients are plain non-blocking sockets driven by
// poll(), as a load tool would drive them; the server runs on its own thread.
#include "TileServer.h"
#include "support/Wait.h"
#include "support/TestFiles.h"

#include <QThread>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <vector>

using namespace testing_support;

namespace {

QByteArray tileRequest(const char *tile)
{
    return QByteArray("GET /Fonds_ImagesZoom/077/07711504/0000001/") + tile + " HTTP/1.0\r\n\r\n";
}

// A socket to 127.0.0.1:port, connecting without blocking; a receive buffer of
// `receiveBuffer` bytes when above 0 (set before connecting, so that the window stays small).
int openClient(quint16 port, int receiveBuffer = 0)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 && errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

struct Connection {
    int fd = -1;
    bool sent = false;
    bool done = false;
    QByteArray answer;
    QString error;
};

// Drives the connections until each has sent `request` and read its answer to the end (or
// failed), at most `boundMs`; with `readAnswers` false they only send and are left open.
void drive(std::vector<Connection> &connections, const QByteArray &request, bool readAnswers, int boundMs)
{
    QElapsedTimer clock;
    clock.start();
    std::vector<pollfd> polled;
    std::vector<Connection *> owners;
    do {
        polled.clear();
        owners.clear();
        for (Connection &c : connections) {
            if (c.done || (c.sent && !readAnswers))
                continue;
            polled.push_back({c.fd, short(c.sent ? POLLIN : POLLOUT), 0});
            owners.push_back(&c);
        }
        if (polled.empty())
            return;
        const int wait = int(std::clamp<qint64>(boundMs - clock.elapsed(), 0, 100));
        if (::poll(polled.data(), polled.size(), wait) < 0 && errno != EINTR)
            return;
        for (size_t i = 0; i < polled.size(); ++i) {
            Connection &c = *owners[i];
            if (polled[i].revents == 0)
                continue;
            if (!c.sent) {
                int error = 0;
                socklen_t size = sizeof error;
                ::getsockopt(c.fd, SOL_SOCKET, SO_ERROR, &error, &size);
                if (error != 0 || ::send(c.fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL)
                                      != ssize_t(request.size())) {
                    c.error = QStringLiteral("connect/send: %1").arg(error ? error : errno);
                    c.done = true;
                }
                c.sent = true;
                continue;
            }
            char buffer[65536];
            for (;;) {
                const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
                if (n > 0) {
                    c.answer.append(buffer, n);
                    continue;
                }
                if (n < 0 && (errno == EAGAIN || errno == EINTR))
                    break;
                if (n < 0)
                    c.error = QStringLiteral("recv: %1").arg(errno);
                c.done = true;
                break;
            }
        }
    } while (clock.elapsed() < boundMs);
}

// Opens `count` connections one after the other; each sends `request` as soon as it is
// connected, as an ordinary client does (an empty request sends nothing).
std::vector<Connection> openClients(int count, quint16 port, const QByteArray &request, int receiveBuffer = 0)
{
    std::vector<Connection> connections;
    connections.resize(size_t(count));
    for (Connection &c : connections) {
        c.fd = openClient(port, receiveBuffer);
        if (c.fd < 0) {
            c.done = true;
            c.error = QStringLiteral("socket/connect: %1").arg(errno);
            continue;
        }
        if (request.isEmpty())
            continue;
        pollfd connecting{c.fd, POLLOUT, 0};
        if (::poll(&connecting, 1, 5000) == 1) {
            std::vector<Connection> one(1);
            std::swap(one[0], c);
            drive(one, request, false, 0);
            std::swap(one[0], c);
        }
    }
    return connections;
}

void closeAll(std::vector<Connection> &connections)
{
    for (Connection &c : connections) {
        if (c.fd >= 0)
            ::close(c.fd);
        c.fd = -1;
    }
}

// The descriptors this process may open, raised to what the test needs when the hard limit
// allows; false when it does not.
bool enoughDescriptors(rlim_t needed)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return false;
    if (limit.rlim_cur >= needed)
        return true;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < needed)
        return false;
    limit.rlim_cur = needed;
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

// A tile server living on a thread of its own, made and destroyed there.
class ServerThread {
public:
    ServerThread(const QString &root, qint64 minBytesPerSecond, int windowMs)
    {
        m_thread.start();
        m_anchor.moveToThread(&m_thread);
        onThread([&] {
            m_server = new TileServer(root);
            m_server->setMinimumRate(minBytesPerSecond, windowMs);
            m_server->listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
            m_port = m_server->port();
        });
    }
    ~ServerThread()
    {
        QThread *here = QThread::currentThread();
        onThread([&] {
            delete m_server;
            m_anchor.moveToThread(here);
        });
        m_thread.quit();
        m_thread.wait();
    }
    quint16 port() const { return m_port; }
    int connectionCount()
    {
        int count = 0;
        onThread([&] { count = m_server->connectionCount(); });
        return count;
    }

private:
    void onThread(const std::function<void()> &work)
    {
        QMetaObject::invokeMethod(&m_anchor, work, Qt::BlockingQueuedConnection);
    }
    QThread m_thread;
    QObject m_anchor;
    TileServer *m_server = nullptr;
    quint16 m_port = 0;
};

class TileServerLoadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tile = jpegBytes(20, 15, Qt::red);
        writeFile(root.filePath("Cassini couleurs/Carte1/MAXI_AA.jpg"), tile);
        QByteArray large(1024 * 1024, '\0');
        for (qsizetype i = 0; i < large.size(); ++i)
            large[i] = char((i * 7919) >> 5);
        writeFile(root.filePath("Cassini couleurs/Carte1/MAXI_ZZ.jpg"), large);
    }
    QTemporaryDir root;
    QByteArray tile;
};

// Every ordinary client gets its tile, with many more clients than connection slots and
// with slow readers (that read nothing of a large tile) taking every slot first. The slow
// readers are dropped once they fall below the minimum rate.
TEST_F(TileServerLoadTest, OrdinaryClientsAreAllServedAtHighConcurrencyAndBesideSlowReaders)
{
    struct Case {
        int clients;
        int slowReaders;
    };
    for (const Case c : {Case{500, 0}, Case{1000, 0}, Case{500, 300}}) {
        SCOPED_TRACE(testing::Message() << c.clients << " clients, " << c.slowReaders << " slow readers");
        if (!enoughDescriptors(rlim_t(2 * (c.clients + c.slowReaders) + 128)))
            GTEST_SKIP() << "too few descriptors allowed for this load";
        ServerThread server(root.path(), 1024, 500);
        ASSERT_NE(server.port(), 0);

        std::vector<Connection> slow = openClients(c.slowReaders, server.port(), tileRequest("MAXI_ZZ.jpg"), 4096);
        drive(slow, tileRequest("MAXI_ZZ.jpg"), false, 20000);
        std::vector<Connection> clients = openClients(c.clients, server.port(), tileRequest("MAXI_AA.jpg"));
        drive(clients, tileRequest("MAXI_AA.jpg"), true, 60000);

        int served = 0;
        QStringList failures;
        for (const Connection &client : clients) {
            const bool whole = client.error.isEmpty() && client.answer.startsWith("HTTP/1.0 200 OK")
                && client.answer.endsWith(tile)
                && client.answer.size() - client.answer.indexOf("\r\n\r\n") - 4 == tile.size();
            served += whole ? 1 : 0;
            if (!whole && failures.size() < 5)
                failures << (client.error.isEmpty() ? QString::fromLatin1(client.answer.left(30)) : client.error);
        }
        EXPECT_EQ(served, c.clients) << failures.join(QStringLiteral(" | ")).toStdString();
        // The slow readers do not stay: every connection ends.
        EXPECT_TRUE(waitUntil([&] { return server.connectionCount() == 0; }, 30000)) << server.connectionCount();
        closeAll(slow);
        closeAll(clients);
    }
}

// At the connection limit, connections whose request is already in their socket's buffer
// are served, and the silent ones make room; a request that never ends is dropped.
TEST_F(TileServerLoadTest, ArrivedRequestsAreNeverSentAwayAtTheLimit)
{
    TileServer server(root.path());
    server.setMaxConnections(2);
    server.setMinimumRate(1024, 300);
    ASSERT_TRUE(server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    // Opened while the server's loop is not running: the system queues them in this order,
    // two silent, one sending half a request, then four whole requests.
    std::vector<Connection> silent = openClients(2, server.port(), QByteArray());
    std::vector<Connection> partial = openClients(1, server.port(), "GET /Fonds_ImagesZoom/077/07711504");
    std::vector<Connection> requests = openClients(4, server.port(), tileRequest("MAXI_AA.jpg"));
    for (const Connection &c : requests)
        ASSERT_TRUE(c.sent && c.error.isEmpty()) << c.error.toStdString();

    // Reads what came, without blocking: the loop of the server runs meanwhile.
    auto ended = [](std::vector<Connection> &connections) {
        drive(connections, QByteArray(), true, 1);
        return std::all_of(connections.begin(), connections.end(), [](const Connection &c) { return c.done; });
    };
    for (std::vector<Connection> *group : {&silent, &partial})
        for (Connection &c : *group)
            c.sent = true;
    EXPECT_TRUE(waitUntil([&] { return ended(requests); }, 20000));
    for (const Connection &c : requests) {
        EXPECT_TRUE(c.answer.startsWith("HTTP/1.0 200 OK")) << c.error.toStdString() << c.answer.left(30).toStdString();
        EXPECT_TRUE(c.answer.endsWith(tile));
    }
    // Bounds below the idle time-out (30 s): the limit, not the time-out, ends them.
    EXPECT_TRUE(waitUntil([&] { return ended(silent) && ended(partial); }, 20000));
    EXPECT_TRUE(waitUntil([&] { return server.connectionCount() == 0; }, 20000));
    for (std::vector<Connection> *group : {&silent, &partial, &requests})
        closeAll(*group);
}

} // namespace
