#pragma once
// The user's settings: plain text values in Orvantis.ini in the user's configuration folder,
// read and written by the table of SettingsTable.h.

#include "session/SettingsTable.h"

#include <QString>
#include <QStringList>
#include <memory>

class QSettings;

class SettingsStore {
public:
    // The default store: Orvantis.ini in $XDG_CONFIG_HOME, else ~/.config.
    SettingsStore();
    explicit SettingsStore(const QString &filePath);
    ~SettingsStore();

    // The key path shown in "Echec à la création de la clé %s".
    QString keyPath() const { return m_filePath; }

    // The text stored for a setting; an absent value or file reads as empty text.
    QString stored(Setting setting) const { return read(settings::key(setting)); }
    // The stored text, or the setting's default when it is absent or empty.
    QString text(Setting setting) const;
    // An option: on when its text is "1".
    bool isOn(Setting setting) const;
    // A whole number brought within the setting's bounds: the default when the text is none.
    int count(Setting setting) const;
    // Seconds: the default when the text is absent, or when it is no number within the
    // setting's bounds (then `unreadable`, when given, receives the text, trimmed).
    double seconds(Setting setting, QString *unreadable = nullptr) const;
    // Stores one value at once, each kind by its own call; false when the file cannot be
    // created or written. A count or seconds beyond the bounds is stored at the bound.
    bool write(Setting setting, const QString &text);
    bool writeOn(Setting setting, bool on);
    bool writeCount(Setting setting, int count);
    bool writeSeconds(Setting setting, double seconds);

    // The same by the key in the file.
    QString read(const QString &name) const;
    bool write(const QString &name, const QString &value);

    // Between these two, writes are gathered and the file is saved once at the end (each
    // save waits for the disk; start-up stores three options in a row). A gathered write
    // answers true; endBatch() gives the names of those that could not be saved.
    void beginBatch();
    QStringList endBatch();

    static QString defaultFilePath();
    // "Echec à la création de la clé %s" for this store.
    QString failureMessage() const;

private:
    QString m_filePath;
    std::unique_ptr<QSettings> m_batch;
    QStringList m_batchNames;
};
