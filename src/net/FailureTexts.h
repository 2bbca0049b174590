#pragma once
// The French words of every request that did not end well, in one table: those of the
// HTTP/1.0 client (the library's tile server), those of the paced fetcher (IIIF servers,
// pyramids, the catalogue), and the words they share. The ends of a download run
// (RunOutcome.h) and the reading of an address say their failures with these.

#include "net/HttpClient.h"
#include "net/PacedFetcher.h"

#include <QString>

namespace net {

// A transaction of the HTTP/1.0 client that could not be carried out, in the tile server's
// words.
QString failureText(HttpClient::Error error);

// A request of the paced fetcher that did not end well: the causes that have their own
// words (certificate, time, redirects, disk, the library's refusal) say them, where
// `networkWords` completes the certificate's text and is the library's refusal; any other
// is `prefix` + `networkWords`.
QString failureText(PacedFetcher::Outcome outcome, const QString &networkWords = {}, const QString &prefix = {});
inline QString failureText(const PacedFetcher::Result &result, const QString &prefix)
{
    return failureText(result.outcome, result.text, prefix);
}

} // namespace net
