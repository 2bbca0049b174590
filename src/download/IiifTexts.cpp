#include "download/IiifTexts.h"

namespace iiif {

QString requestFailureText(const IiifFetcher::Result &r, const QString &prefix)
{
    switch (r.outcome) {
    case IiifFetcher::Outcome::CertificateRefused:
        return IiifFetcher::certificateRefusal(r.text);
    case IiifFetcher::Outcome::FileError:
        return QStringLiteral("Erreur d'écriture de l'image");
    case IiifFetcher::Outcome::TimedOut:
        return QStringLiteral("Délai d'attente dépassé");
    case IiifFetcher::Outcome::Refused:
        return r.text;   // the library's own refusal, said as it stands
    case IiifFetcher::Outcome::TooManyRedirects:
        return QStringLiteral("Trop de redirections");
    default:
        return prefix + r.text;
    }
}

} // namespace iiif
