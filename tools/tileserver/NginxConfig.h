#pragma once
// An nginx configuration that serves a maps root under the library's paths exactly as the
// tile server does: the same request paths (as sent, nothing decoded or merged) lead to the
// same files, anything else is 404, no listing, no symbolic link followed. It runs as it
// stands with `nginx -p DIR -c FILE`: pid file, logs and temporary folders are relative to
// DIR (whose logs/ folder must exist).

#include <QString>

namespace nginx {

struct Listen {
    QString host;   // an IPv4 or IPv6 address
    int port = 0;
};

// The whole configuration file. `workerUser` names the account of the worker processes when
// nginx is started as root; empty writes no `user` directive (nginx started as a user).
QString configuration(const QString &realRoot, const Listen &listen, const QString &workerUser);

// Why this root cannot be written into a configuration (characters nginx would read as
// variables or quotes), or empty.
QString unusableRoot(const QString &realRoot);

// The account the workers of a root-started nginx should run as: the owner of the maps root
// when it is not root, else www-data when it exists, else nobody.
QString workerUserFor(const QString &realRoot);

} // namespace nginx
