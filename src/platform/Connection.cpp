#include "platform/Connection.h"

#include <QHostAddress>
#include <QNetworkInterface>

bool SystemConnection::isLoopbackHost(const QString &host)
{
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address;
    return address.setAddress(host) && address.isLoopback();
}

bool SystemConnection::isConnected(const QString &serverHost)
{
    if (isLoopbackHost(serverHost))
        return true;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : interfaces) {
        const auto flags = i.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning)
            && !flags.testFlag(QNetworkInterface::IsLoopBack))
            return true;
    }
    return false;
}
