#pragma once
// Counts the tiles of a run that came back refused, one after the other, so that a server
// that answers nothing usable ends the run instead of being asked for every tile: a body cut
// at the size limit costs the whole limit in transfer each time.

#include <QString>

namespace source {

class RefusalStreak {
public:
    static constexpr int kMaxCutInARow = 5;
    static constexpr int kMaxFailuresInARow = 20;

    enum class Verdict { GoOn, TooManyCut, TooManyFailures };

    // `countFailures`: whether failures of any kind count (a source whose every tile is
    // inside the picture), or only bodies cut at the limit.
    explicit RefusalStreak(bool countFailures = true) : m_countFailures(countFailures) {}

    void reset() { m_cut = m_failures = 0; }
    // A tile installed.
    void installed() { reset(); }
    // A tile refused; `cut` when its body passed the size limit.
    Verdict refused(bool cut)
    {
        m_cut = cut ? m_cut + 1 : 0;
        ++m_failures;
        if (m_cut >= kMaxCutInARow)
            return Verdict::TooManyCut;
        if (m_countFailures && m_failures >= kMaxFailuresInARow)
            return Verdict::TooManyFailures;
        return Verdict::GoOn;
    }

    // What the status field says when the run stops.
    static QString text(Verdict verdict)
    {
        return verdict == Verdict::TooManyCut
                   ? QStringLiteral("Téléchargement arrêté : images trop grandes envoyées par le serveur")
                   : QStringLiteral("Téléchargement arrêté : trop d'images refusées de suite");
    }

private:
    bool m_countFailures;
    int m_cut = 0;
    int m_failures = 0;
};

} // namespace source
