#include "library/LibraryAddresses.h"
#include "net/HostPace.h"
#include "session/SettingsStore.h"

#include <QRegularExpression>

namespace library {

bool isServiceAddress(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
           && !url.host().isEmpty();
}

static QString withoutFinalSlash(QString text)
{
    while (text.endsWith(u'/'))
        text.chop(1);
    return text;
}

Addresses Addresses::read(const SettingsStore &settings, QStringList *warnings)
{
    Addresses a;
    const auto take = [&](Setting setting, QString &into) {
        const QString &name = settings::key(setting);
        const QString &fallback = settings::defaultText(setting);
        const QString stored = settings.stored(setting).trimmed();
        if (stored.isEmpty())
            return;
        if (isServiceAddress(stored)) {
            into = stored;
            return;
        }
        if (warnings)
            *warnings << QStringLiteral("Adresse illisible pour « %1 » : %2 ; adresse par défaut : %3")
                             .arg(name, stored, fallback);
    };
    take(Setting::Catalogue, a.catalogue);
    take(Setting::Library, a.library);
    a.library = withoutFinalSlash(a.library);
    QString unreadable;
    a.intervalMs = int(settings.seconds(Setting::RequestInterval, &unreadable) * 1000 + 0.5);
    if (!unreadable.isEmpty() && warnings)
        *warnings << QStringLiteral("Intervalle entre requêtes illisible : %1 ; valeur par défaut : %2 s")
                         .arg(unreadable, settings::defaultText(Setting::RequestInterval));
    return a;
}

QString Addresses::imageBase(const QString &arkName, int view) const
{
    return library + QStringLiteral("/iiif/ark:/") + kArkAuthority + u'/' + arkName + QStringLiteral("/f")
           + QString::number(view);
}

QString Addresses::manifest(const QString &arkName) const
{
    return library + QStringLiteral("/iiif/ark:/") + kArkAuthority + u'/' + arkName + QStringLiteral("/manifest.json");
}

QString Addresses::documentPage(const QString &arkName) const
{
    return library + QStringLiteral("/ark:/") + kArkAuthority + u'/' + arkName;
}

QString Addresses::rebase(const QString &address) const
{
    const QString usualHost = QUrl(kDefaultLibrary).host();
    for (const QString &scheme : {QStringLiteral("https://"), QStringLiteral("http://")}) {
        const QString prefix = scheme + usualHost;
        if (address.startsWith(prefix, Qt::CaseInsensitive)
            && (address.size() == prefix.size() || address.at(prefix.size()) == u'/'))
            return library + address.mid(prefix.size());
    }
    return address;
}

QList<QUrl> Addresses::pacedServers() const
{
    return {QUrl(catalogue), QUrl(library), QUrl(kDefaultLibrary)};
}

QString arkName(const QString &identifier, bool *series)
{
    static const QRegularExpression ark(QStringLiteral("ark:/12148/([A-Za-z0-9]+)(/date)?"));
    const QRegularExpressionMatch m = ark.match(identifier);
    if (series)
        *series = m.hasMatch() && !m.captured(2).isEmpty();
    return m.hasMatch() ? m.captured(1) : QString();
}

void applyPace(const Addresses &addresses)
{
    HostPace::shared().setPacedHosts(addresses.pacedServers());
    HostPace::shared().setInterval(addresses.intervalMs);
}

} // namespace library
