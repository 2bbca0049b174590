#pragma once
// How the library turns a client away: a 403, or a page of HTML (a "Vérification de
// sécurité" challenge) answered 200 where data was asked for. Either stops what runs at once.

#include <QByteArray>
#include <QString>

namespace library {

// "La bibliothèque refuse l'accès pour le moment (vérification demandée). Réessayez plus tard."
QString refusalText();

// Whether an answer of the library's server is a refusal: `head` is the start of the body
// (a few kilobytes are enough). Answers of other servers are never refusals.
bool isRefusal(int status, const QByteArray &head, bool fromLibrary);

// Whether the start of a body is an HTML page (a challenge, an error page) rather than data.
bool looksLikeHtml(const QByteArray &head);

} // namespace library
