#pragma once
// Addresses of IIIF images and manifests as a user gives them: a Gallica ark (with or
// without its view "/f3"), a Gallica page address that holds an ark, an address ending in
// "info.json", an image's base address (which may carry a query, as with iipsrv), an image
// request address, or a Presentation document (a manifest or a collection, by any address
// that names a ".json" file or a "manifest" or "collection" part). Every form is turned into
// the address of one image service or of one document, whose content says what it is.

#include <QString>
#include <optional>

namespace iiif {

inline const QString kGallicaHost = QStringLiteral("gallica.bnf.fr");

struct Address {
    // Manifest: a document read as it stands (a manifest, a collection or an image's
    // description, told apart by its content).
    enum class Kind { Image, Manifest };
    Kind kind = Kind::Image;
    // An image's base address (without "/info.json") or the manifest's address.
    QString url;

    // The image's description: the base address as it stands + "/info.json".
    QString infoUrl() const { return url + QStringLiteral("/info.json"); }
    bool operator==(const Address &) const = default;
};

// The address that `text` stands for; nothing when it is none of the accepted forms.
std::optional<Address> parseAddress(const QString &text);

// "Adresse IIIF incorrecte : " + text.
QString refusalText(const QString &text);

// The library's page of an image on Gallica ("https://gallica.bnf.fr/ark:/12148/X/f3.item"),
// or the image's description for any other server.
QString pageAddress(const QString &imageBase);

} // namespace iiif
