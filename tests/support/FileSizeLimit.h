#pragma once
// A full disk without root: while it lives, no file of this process may grow past `bytes`
// (setrlimit(RLIMIT_FSIZE), SIGXFSZ ignored), so a write past the limit fails part-way as it
// would on a full disk. Each test case runs in its own process; the limit is lifted again
// when the guard ends.

#include <QByteArray>
#include <QImage>
#include <QRandomGenerator>
#include <csignal>
#include <sys/resource.h>

namespace testing_support {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_previousHandler)(int) = SIG_DFL;
    bool m_active = false;
};

// A picture of noise: its JPEG is large for its size (a few hundred KB at 400 x 400).
inline QImage noisePicture(int width, int height, quint32 seed = 7)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = 0xff000000u | (random.generate() & 0xffffffu);
    }
    return image;
}

} // namespace testing_support
