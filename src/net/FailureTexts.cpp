#include "net/FailureTexts.h"

namespace net {
namespace {

QString timedOut() { return QStringLiteral("Délai d'attente dépassé"); }
QString tooManyRedirects() { return QStringLiteral("Trop de redirections"); }
QString writeError() { return QStringLiteral("Erreur d'écriture de l'image"); }

} // namespace

QString failureText(HttpClient::Error error)
{
    switch (error) {
    case HttpClient::Error::NullRemoteAddress: return QStringLiteral("Serveur Indisponible");
    case HttpClient::Error::ConnectionFailed:
    case HttpClient::Error::ConnectionTimedOut: return QStringLiteral("Connexion impossible à la BNF");
    case HttpClient::Error::HostLookupTimedOut:
    case HttpClient::Error::ReadTimedOut:
    case HttpClient::Error::DeadlineExceeded: return timedOut();
    case HttpClient::Error::TooManyRedirects: return tooManyRedirects();
    case HttpClient::Error::HeaderLineTooLong:
    case HttpClient::Error::TooManyHeaderLines: return QStringLiteral("Réponse du serveur incorrecte");
    case HttpClient::Error::FileError: return writeError();
    case HttpClient::Error::SecureNotSupported:
    case HttpClient::Error::BadPort:
    case HttpClient::Error::EmptyUrl: return QStringLiteral("Adresse du serveur incorrecte");
    case HttpClient::Error::AlreadyConnected:
    case HttpClient::Error::SocketError: break;
    }
    return QStringLiteral("Erreur de communication avec la BNF");
}

QString failureText(PacedFetcher::Outcome outcome, const QString &networkWords, const QString &prefix)
{
    switch (outcome) {
    case PacedFetcher::Outcome::CertificateRefused: return QStringLiteral("Certificat du serveur refusé : ") + networkWords;
    case PacedFetcher::Outcome::FileError: return writeError();
    case PacedFetcher::Outcome::TimedOut: return timedOut();
    case PacedFetcher::Outcome::Refused: return networkWords;   // the library's own refusal, said as it stands
    case PacedFetcher::Outcome::TooManyRedirects: return tooManyRedirects();
    case PacedFetcher::Outcome::Ok:
    case PacedFetcher::Outcome::HttpError:
    case PacedFetcher::Outcome::NetworkError:
    case PacedFetcher::Outcome::TooLarge: break;
    }
    return prefix + networkWords;
}

} // namespace net
