#pragma once
// The user's settings: "cartes", "connexion", "deconnexion", "affichage" (and "serveur"),
// plain text values in Orvantis.ini in the user's configuration folder.

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

    // An absent value or file reads as empty text.
    QString read(const QString &name) const;
    // Stores one value at once; false when the file cannot be created or written.
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

// An option is on when its stored text is empty or "1".
inline bool optionIsOn(const QString &text) { return text.isEmpty() || text == QStringLiteral("1"); }
inline QString optionText(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }
