#include "widgets/BarGauge.h"

#include <QProgressBar>

void BarGauge::start(int maximum)
{
    m_bar.setRange(0, maximum);
    m_bar.setValue(0);
    m_bar.setFormat(QStringLiteral("%p%"));
    m_bar.setTextVisible(true);
}

void BarGauge::setProgress(int done)
{
    m_bar.setValue(qMin(done, m_bar.maximum()));
}

int BarGauge::progress() const
{
    return m_bar.value();
}

void BarGauge::stop()
{
    m_bar.setTextVisible(false);
    m_bar.setValue(0);
}
