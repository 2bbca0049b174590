#pragma once
// Where the library is: its search service ("catalogue" in Orvantis.ini) and its own address
// ("bibliotheque"), from which the IIIF images, manifests and pages of its documents are
// made; and the pause between two requests to it ("intervalle", in seconds). Addresses of the
// service's answers that begin with the library's usual address are read against
// "bibliotheque", so a mirror or a local copy of the library works whole.

#include <QString>
#include <QStringList>
#include <QUrl>

class SettingsStore;

namespace library {

inline const QString kDefaultCatalogue = QStringLiteral("https://gallica.bnf.fr/SRU");
inline const QString kDefaultLibrary = QStringLiteral("https://gallica.bnf.fr");
inline const QString kArkAuthority = QStringLiteral("12148");

// An address the settings accept: http or https with a host.
bool isServiceAddress(const QString &text);

struct Addresses {
    QString catalogue = kDefaultCatalogue;
    QString library = kDefaultLibrary;   // without a final "/"
    int intervalMs = 1000;

    // Reads the three settings; a missing value takes the default silently, an unreadable
    // one takes it too and adds a sentence to `warnings`.
    static Addresses read(const SettingsStore &settings, QStringList *warnings = nullptr);
    // "<bibliotheque>/iiif/ark:/12148/<name>/f<view>".
    QString imageBase(const QString &arkName, int view = 1) const;
    // "<bibliotheque>/iiif/ark:/12148/<name>/manifest.json".
    QString manifest(const QString &arkName) const;
    // "<bibliotheque>/ark:/12148/<name>".
    QString documentPage(const QString &arkName) const;
    // An address of an answer, read against "bibliotheque" when it begins with the library's
    // usual address (http or https).
    QString rebase(const QString &address) const;
    // The servers held to the pace: the search service's and the library's (and the
    // library's usual one).
    QList<QUrl> pacedServers() const;
};

// The name of the ark in an identifier ("https://gallica.bnf.fr/ark:/12148/btv1b8490189x"
// gives "btv1b8490189x"); empty when there is none. `series` tells an identifier ending in
// "/date", the ark of a series of issues rather than one document.
QString arkName(const QString &identifier, bool *series = nullptr);

// The pace of the program follows the addresses.
void applyPace(const Addresses &addresses);

} // namespace library
