#pragma once
// The product's web site: the about page opens pages below it, printed pages name it.

#include <QString>

namespace site {
inline const QString kRoot = QStringLiteral("http://www.orvantis.fr");
} // namespace site
