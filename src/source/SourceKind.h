#pragma once
// What the program knows of each kind of server: its name in the added-maps file, its label
// in texts, where its description is read, which addresses it recognises and how surely,
// the reader of a new map's address and the source its description makes. Each kind's entry
// is written beside its source's class (in the kind's own folder under source/); the one
// table of kinds is SourceKinds.cpp. A new kind of server is one folder, one value of Kind
// and one line of that table.

#include "source/TileSource.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>

class PacedFetcher;
class QObject;

namespace source {

class KindReader;

struct SourceKind {
    Kind kind;
    const char *name;    // in the added-maps file; nullptr: never written there
    const char *label;   // in texts
    // The description read first at the source's address `url`.
    QString (*descriptionUrl)(const QString &url);
    // The source's address that the typed address `text` (`url` as a URL, maybe invalid)
    // surely names: a form that is this kind's own (a ".dzi", an "info.json", a manifest).
    // nullptr: the kind recognises no typed address.
    std::optional<QString> (*recognise)(const QString &text, const QUrl &url);
    // The source that the description read at the source's address `url` makes, found at
    // last at `foundAt` (after redirects); nothing and `why` (French) when it cannot.
    std::unique_ptr<TileSource> (*make)(const QByteArray &description, const QString &url, const QString &foundAt,
                                        QString *why);
    // The largest description read at the source's address `url`; nullptr: kMaxDescriptionBytes.
    qint64 (*descriptionLimit)(const QString &url) = nullptr;
    // How its addresses are called where a prompt lists the kinds briefly (".dzi"), and
    // in full ("ark Gallica, info.json, manifeste IIIF"); nullptr: its label.
    const char *addressForm = nullptr;
    const char *typedForms = nullptr;
    // The address that `text` may name, though only reading it can tell (a bare folder);
    // nullptr: none. Tried after every sure recognition, in the table's order.
    std::optional<QString> (*perhaps)(const QString &text, const QUrl &url) = nullptr;
    // The reader of a new map's address; nullptr: maps of this kind are not added by address.
    KindReader *(*reader)(PacedFetcher &fetcher, const SourceKind &kind, QObject *parent) = nullptr;
};

// Every kind, in the order typed addresses are tried.
const QList<const SourceKind *> &sourceKinds();
const SourceKind &sourceKind(Kind kind);

// The kinds whose maps are added by address, listed for a person: "IIIF, Deep Zoom, Zoomify"
// by their labels, "IIIF, .dzi, Zoomify" by their address forms, and every form a person
// may type ("ark Gallica, info.json, manifeste IIIF, .dzi Deep Zoom, dossier Zoomify").
enum class KindListing { Labels, AddressForms, TypedForms };
QString addableKinds(KindListing listing);

// A web address the pyramids can be read at: http or https, a host, no blank.
bool isWebAddress(const QString &text, const QUrl &url);

} // namespace source
