#include "net/LibraryRefusal.h"

namespace library {

QString refusalText()
{
    return QStringLiteral("La bibliothèque refuse l'accès pour le moment (vérification demandée). "
                          "Réessayez plus tard.");
}

bool looksLikeHtml(const QByteArray &head)
{
    const QByteArray lower = head.left(4096).toLower();
    if (lower.contains("vérification de sécurité") || lower.contains("v&eacute;rification de s&eacute;curit&eacute;"))
        return true;
    // The first element decides: an XML prolog, comments and a doctype may come before it.
    qsizetype at = 0;
    for (;;) {
        at = lower.indexOf('<', at);
        if (at < 0 || at + 1 >= lower.size())
            return false;
        const char next = lower.at(at + 1);
        if (next == '?' || next == '!') {
            if (lower.mid(at, 14) == "<!doctype html")
                return true;
            ++at;
            continue;
        }
        return lower.mid(at, 5) == "<html";
    }
}

bool isRefusal(int status, const QByteArray &head, bool fromLibrary)
{
    if (!fromLibrary)
        return false;
    if (status == 403)
        return true;
    return status >= 200 && status <= 299 && looksLikeHtml(head);
}

} // namespace library
