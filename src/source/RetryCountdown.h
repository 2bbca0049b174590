#pragma once
// The count-down shown while a busy server is waited for (its Retry-After): one text a
// second until the request is made again, or until it is stopped.

#include <QObject>
#include <QString>
#include <QTimer>

namespace source {

class RetryCountdown : public QObject {
    Q_OBJECT
public:
    explicit RetryCountdown(QObject *parent = nullptr) : QObject(parent)
    {
        m_tick.setInterval(1000);
        connect(&m_tick, &QTimer::timeout, this, [this] {
            if (--m_left <= 0)
                return stop();
            emit text(textFor(m_left));
        });
    }

    void start(int seconds)
    {
        m_left = seconds;
        if (seconds <= 0)
            return stop();
        emit text(textFor(seconds));
        m_tick.start();
    }
    void stop() { m_tick.stop(); }
    bool active() const { return m_tick.isActive(); }

    static QString textFor(int seconds)
    {
        return QStringLiteral("Serveur occupé : nouvel essai dans %1 s").arg(seconds);
    }

signals:
    void text(const QString &text);

private:
    QTimer m_tick;
    int m_left = 0;
};

} // namespace source
