#pragma once
// The national library's web server: document pages and, by default, the tile server.

#include <QString>

namespace library {
inline const QString kScheme = QStringLiteral("http");
inline const QString kHost = QStringLiteral("gallica.bnf.fr");

// Address of a document's page at the library.
inline QString documentPageUrl(const QString &documentNumber)
{
    return kScheme + QStringLiteral("://") + kHost
           + QStringLiteral("/scripts/ConsultationTout.exe?E=0&O=077") + documentNumber;
}
} // namespace library
