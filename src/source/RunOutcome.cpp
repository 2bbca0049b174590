#include "source/RunOutcome.h"

namespace source {

QString outcomeText(RunOutcome outcome, const QString &detail)
{
    switch (outcome) {
    case RunOutcome::Completed:
    case RunOutcome::Stopped: return {};
    case RunOutcome::DescriptionMissing: return QStringLiteral("Description de la carte introuvable : ") + detail;
    case RunOutcome::DescriptionUnreadable: return QStringLiteral("Description de la carte illisible : ") + detail;
    case RunOutcome::Unreachable: return QStringLiteral("Connexion impossible au serveur : ") + detail;
    case RunOutcome::CertificateRefused: return QStringLiteral("Certificat du serveur refusé : ") + detail;
    case RunOutcome::TimedOut: return QStringLiteral("Délai d'attente dépassé");
    case RunOutcome::WriteError: return QStringLiteral("Erreur d'écriture de l'image");
    case RunOutcome::NothingInstalled: return QStringLiteral("Aucune image installée : ") + detail;
    }
    return {};
}

} // namespace source
