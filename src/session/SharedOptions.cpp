#include "session/SharedOptions.h"

namespace {
// Sets `field` and tells the listeners, only when the value changes.
template <typename T, typename Signal>
void change(SharedOptions *options, T &field, const T &value, Signal signal)
{
    if (field == value)
        return;
    field = value;
    emit(options->*signal)(value);
}
} // namespace

void SharedOptions::setDialUnattended(bool on)
{
    change(this, m_dialUnattended, on, &SharedOptions::dialUnattendedChanged);
}

void SharedOptions::setHangUpAfterDownload(bool on)
{
    change(this, m_hangUpAfterDownload, on, &SharedOptions::hangUpAfterDownloadChanged);
}

void SharedOptions::setFullScreenView(bool on)
{
    change(this, m_fullScreenView, on, &SharedOptions::fullScreenViewChanged);
}

void SharedOptions::setPrintHeader(const QString &header)
{
    change(this, m_printHeader, header, &SharedOptions::printHeaderChanged);
}
