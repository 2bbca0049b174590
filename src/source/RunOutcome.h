#pragma once
// How a run of the download ends, and the table that turns it into the French text of the
// status field; the words it shares with failed requests come from FailureTexts.h.

#include "source/TileSource.h"

#include <QString>

namespace source {

enum class RunOutcome {
    Completed,             // the rectangle was walked to its end
    Stopped,               // "Arrêter"
    DescriptionMissing,    // the server answered the description with an error status
    DescriptionUnreadable, // the description is no description, or no plan fits
    Unreachable,           // no answer from the server
    CertificateRefused,    // the server's certificate does not verify
    TimedOut,              // no progress within the deadline
    TooManyRedirects,      // the redirects went on past the bound
    LibraryRefusal,        // the library turns the program away, in its own words
    WriteError,            // the disk refused a tile
    TooManyCut,            // tile after tile passed the size limit
    TooManyRefused,        // tile after tile came back refused
    NothingInstalled,      // every tile asked for failed
};

// The status text of an outcome of a run from a source of `kind`; `detail` completes it
// (the server's or the network's words, the reason, the first failure). Empty for the
// outcomes that end as usual.
QString outcomeText(RunOutcome outcome, Kind kind, const QString &detail = {});

} // namespace source
