#pragma once
// Records what the program logs while it lives: each message as "category level: text".

#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace testing_support {

class LogCapture {
public:
    LogCapture()
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // The warnings of one category ("orvantis.store").
    QStringList warnings(const char *category) const
    {
        QMutexLocker lock(&m_mutex);
        QStringList found;
        for (const Entry &e : m_entries)
            if (e.type == QtWarningMsg && e.category == QLatin1String(category))
                found << e.text;
        return found;
    }
    // Every warning of the program's categories.
    QStringList programWarnings() const
    {
        QMutexLocker lock(&m_mutex);
        QStringList found;
        for (const Entry &e : m_entries)
            if (e.type == QtWarningMsg && e.category.startsWith(QLatin1String("orvantis.")))
                found << e.category + QStringLiteral(": ") + e.text;
        return found;
    }
    void clear()
    {
        QMutexLocker lock(&m_mutex);
        m_entries.clear();
    }

private:
    struct Entry {
        QtMsgType type;
        QString category;
        QString text;
    };
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (LogCapture *self = s_current) {
            QMutexLocker lock(&self->m_mutex);
            self->m_entries.push_back({type, QString::fromLatin1(context.category ? context.category : ""), text});
        }
    }

    static inline LogCapture *s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QList<Entry> m_entries;
};

} // namespace testing_support
