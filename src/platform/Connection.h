#pragma once
// The internet connection as the download sees it: opening a dial-up connection when
// needed, asking whether the machine is connected, hanging up. The program uses the system
// implementation; tests use a scripted one.

#include <QString>

class Connection {
public:
    virtual ~Connection() = default;
    // Opens the default dial-up connection when the machine is not connected; `unattended`
    // dials without asking for the user's credentials. The outcome is not reported.
    virtual void dial(bool unattended) = 0;
    // Whether the tile server at `serverHost` (a name or an address, without port) can be reached.
    virtual bool isConnected(const QString &serverHost) = 0;
    // Hangs up the dial-up connection.
    virtual void hangUp() = 0;
};

// On Linux there is no dial-up to open or close: the network is managed by the system.
// The machine counts as connected when a network interface other than loopback is up and
// running, or when the tile server is a loopback address (a server on this machine).
class SystemConnection : public Connection {
public:
    void dial(bool) override {}
    bool isConnected(const QString &serverHost) override;
    void hangUp() override {}

    static bool isLoopbackHost(const QString &host);
};
