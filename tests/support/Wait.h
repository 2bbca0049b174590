#pragma once
// Runs the event loop until a condition holds, at most `milliseconds`; never sleeps a fixed time.
// The bound is there to end a test that would hang, not to time the program: it holds on a
// machine under load (other builds, tests run side by side), where a step of a few
// milliseconds may take seconds. Measure speed in the benchmarks instead.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace testing_support {

inline bool waitUntil(const std::function<bool()> &done, int milliseconds = 60000)
{
    if (done())
        return true;
    QEventLoop loop;
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer check;
    check.setInterval(5);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || elapsed.elapsed() > milliseconds)
            loop.quit();
    });
    check.start();
    loop.exec();
    return done();
}

} // namespace testing_support
