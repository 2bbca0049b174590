// The peer of the start-up benchmark: a bare QMainWindow of Orvantis's size, started the
// way Orvantis starts (QApplication, window centred on the screen, shown) and quitting
// once it has been painted, like `orvantis --exit-after-first-paint`.
#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>
#include <cstdio>

namespace {

class FirstPaintExit : public QObject {
public:
    explicit FirstPaintExit(const QElapsedTimer &clock) : m_clock(clock) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::printf("premier affichage : %lld ms\n", static_cast<long long>(m_clock.elapsed()));
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer &m_clock;
    bool m_done = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QMainWindow window;
    window.setFixedSize(696, 500);
    FirstPaintExit exit(clock);
    window.installEventFilter(&exit);
    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.center() - window.rect().center());
    window.show();
    return app.exec();
}
