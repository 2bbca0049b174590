#pragma once
// The progress gauge of long work (an import, the building of a view): the status bar's
// gauge in the window; nothing when a page is shown on its own.

class ProgressGauge {
public:
    virtual ~ProgressGauge() = default;

    // Shows the gauge at 0 of `maximum`, its percentage written on it.
    virtual void start(int maximum) = 0;
    // Sets the steps done, at most the maximum.
    virtual void setProgress(int done) = 0;
    virtual int progress() const = 0;
    // Empties the gauge and hides its text.
    virtual void stop() = 0;
};

// The gauge of a page shown on its own: counts, shows nothing.
class SilentGauge final : public ProgressGauge {
public:
    void start(int maximum) override { m_maximum = maximum; m_done = 0; }
    void setProgress(int done) override { m_done = done < m_maximum ? done : m_maximum; }
    int progress() const override { return m_done; }
    void stop() override { m_done = 0; }

private:
    int m_maximum = 0;
    int m_done = 0;
};
