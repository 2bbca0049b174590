#pragma once
// A progress gauge shown by a progress bar: the percentage written on it while work runs.

#include "session/ProgressGauge.h"

class QProgressBar;

class BarGauge final : public ProgressGauge {
public:
    explicit BarGauge(QProgressBar &bar) : m_bar(bar) {}

    void start(int maximum) override;
    void setProgress(int done) override;
    int progress() const override;
    void stop() override;

private:
    QProgressBar &m_bar;
};
