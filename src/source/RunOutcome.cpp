#include "source/RunOutcome.h"
#include "source/RefusalStreak.h"
#include "net/FailureTexts.h"

namespace source {
namespace {

// IIIF runs name their server's protocol; the pyramids' descriptions are the map's.
QString descriptionName(Kind kind)
{
    return kind == Kind::Iiif ? QStringLiteral("IIIF") : QStringLiteral("de la carte");
}
QString serverName(Kind kind) { return kind == Kind::Iiif ? QStringLiteral("serveur IIIF") : QStringLiteral("serveur"); }

} // namespace

QString outcomeText(RunOutcome outcome, Kind kind, const QString &detail)
{
    using source::RefusalStreak;
    switch (outcome) {
    case RunOutcome::Completed:
    case RunOutcome::Stopped: return {};
    case RunOutcome::DescriptionMissing:
        return QStringLiteral("Description ") + descriptionName(kind) + QStringLiteral(" introuvable : ") + detail;
    case RunOutcome::DescriptionUnreadable:
        return QStringLiteral("Description ") + descriptionName(kind) + QStringLiteral(" illisible : ") + detail;
    case RunOutcome::Unreachable:
        if (kind == Kind::Classic)
            return detail;   // the tile server's own words for each fault
        return QStringLiteral("Connexion impossible au ") + serverName(kind) + QStringLiteral(" : ") + detail;
    case RunOutcome::CertificateRefused: return net::failureText(PacedFetcher::Outcome::CertificateRefused, detail);
    case RunOutcome::TimedOut: return net::failureText(PacedFetcher::Outcome::TimedOut);
    case RunOutcome::TooManyRedirects: return net::failureText(PacedFetcher::Outcome::TooManyRedirects);
    case RunOutcome::LibraryRefusal: return detail;
    case RunOutcome::WriteError: return net::failureText(PacedFetcher::Outcome::FileError);
    case RunOutcome::TooManyCut: return RefusalStreak::text(RefusalStreak::Verdict::TooManyCut);
    case RunOutcome::TooManyRefused: return RefusalStreak::text(RefusalStreak::Verdict::TooManyFailures);
    case RunOutcome::NothingInstalled: return QStringLiteral("Aucune image installée : ") + detail;
    }
    return {};
}

} // namespace source
