#include "source/iiif/IiifTexts.h"

namespace iiif {

QString requestFailureText(const PacedFetcher::Result &r, const QString &prefix)
{
    switch (r.outcome) {
    case PacedFetcher::Outcome::CertificateRefused:
        return PacedFetcher::certificateRefusal(r.text);
    case PacedFetcher::Outcome::FileError:
        return QStringLiteral("Erreur d'écriture de l'image");
    case PacedFetcher::Outcome::TimedOut:
        return QStringLiteral("Délai d'attente dépassé");
    case PacedFetcher::Outcome::Refused:
        return r.text;   // the library's own refusal, said as it stands
    case PacedFetcher::Outcome::TooManyRedirects:
        return QStringLiteral("Trop de redirections");
    default:
        return prefix + r.text;
    }
}

} // namespace iiif
