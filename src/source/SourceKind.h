#pragma once
// What the program knows of each kind of server: its name in the added-maps file, its label
// in texts, where its description is read, which addresses it recognises, and the source its
// description makes. Each kind's entry is written beside its source's class; the one table
// of kinds is SourceKinds.cpp. A new kind of server is one new file, one line of that table
// and its value of Kind.

#include "source/TileSource.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>

namespace source {

struct SourceKind {
    Kind kind;
    const char *name;    // in the added-maps file; nullptr: never written there
    const char *label;   // in texts
    // The description read first at the source's address `url`.
    QString (*descriptionUrl)(const QString &url);
    // The source's address that the typed address `text` (a valid http(s) `url`) names when
    // it is one of this kind's descriptions; nullptr: the kind recognises no typed address
    // here (IIIF addresses have a reader of their own).
    std::optional<QString> (*recognise)(const QString &text, const QUrl &url);
    // The source that the description read at the source's address `url` makes, found at
    // last at `foundAt` (after redirects); nothing and `why` (French) when it cannot.
    std::unique_ptr<TileSource> (*make)(const QByteArray &description, const QString &url, const QString &foundAt,
                                        QString *why);
    // The largest description read at the source's address `url`; nullptr: kMaxDescriptionBytes.
    qint64 (*descriptionLimit)(const QString &url) = nullptr;
};

// Every kind, in the order typed addresses are tried.
const QList<const SourceKind *> &sourceKinds();
const SourceKind &sourceKind(Kind kind);

} // namespace source
