#pragma once
// The user's settings: "cartes", "connexion", "deconnexion", "affichage" (and "serveur"),
// plain text values in Orvantis.ini in the user's configuration folder.

#include <QString>

class SettingsStore {
public:
    // The default store: Orvantis.ini in $XDG_CONFIG_HOME, else ~/.config.
    SettingsStore();
    explicit SettingsStore(const QString &filePath);

    // The key path shown in "Echec à la création de la clé %s".
    QString keyPath() const { return m_filePath; }

    // An absent value or file reads as empty text.
    QString read(const QString &name) const;
    // Stores one value at once; false when the file cannot be created or written.
    bool write(const QString &name, const QString &value);

    static QString defaultFilePath();
    // "Echec à la création de la clé %s" for this store.
    QString failureMessage() const;

private:
    QString m_filePath;
};

// An option is on when its stored text is empty or "1".
inline bool optionIsOn(const QString &text) { return text.isEmpty() || text == QStringLiteral("1"); }
inline QString optionText(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }
