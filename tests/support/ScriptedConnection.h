#pragma once
// A connection that answers from a script and records the dial-up calls.

#include "platform/Connection.h"

#include <QStringList>

namespace testing_support {

class ScriptedConnection : public Connection {
public:
    bool connectedAnswer = true;
    QList<bool> dials;        // the `unattended` flag of each dial
    QStringList askedHosts;   // hosts asked about
    int hangUps = 0;

    void dial(bool unattended) override { dials << unattended; }
    bool isConnected(const QString &serverHost) override
    {
        askedHosts << serverHost;
        return connectedAnswer;
    }
    void hangUp() override { ++hangUps; }
};

} // namespace testing_support
