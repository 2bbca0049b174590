#pragma once
// The documents the tests' search service describes (support/PythonServer.h, started with
// startSearch()), and the IIIF trees it serves for them.

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

namespace testing_support {

// A document of the service.
QJsonObject document(const QString &ark, const QString &title, int views = 1);

// Writes a static IIIF tree of `picture` for an ark under `root` (the image at
// "iiif/ark:/12148/<ark>/f1" and a manifest beside it naming `base` as its server).
bool writeArkTree(const QString &root, const QString &base, const QString &ark, const QString &title, int width,
                  int height, QString *error);

} // namespace testing_support
