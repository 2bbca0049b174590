#pragma once
// The French texts of IIIF requests that did not end well, in one place for the reading of
// an address and for a download.

#include "net/PacedFetcher.h"

namespace iiif {

// The text of a failed request: the causes that have their own words (certificate, time,
// redirects, disk) say them; any other is `prefix` + the network's words.
QString requestFailureText(const PacedFetcher::Result &result, const QString &prefix);

} // namespace iiif
