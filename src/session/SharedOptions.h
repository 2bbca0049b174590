#pragma once
// The options several pages show or follow, in one place with change signals, so that no
// page reads another page's controls:
// - the two connection options (preferences and download pages; the download engine),
// - the full-screen option of the map view (preferences page; the map viewer),
// - the header of the next print (the poster page sets it; the print panel shows it).
// The preferences page stores the options in the settings file as they change.

#include <QObject>
#include <QString>

class SharedOptions : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // "connexion": dial the internet connection without asking.
    bool dialUnattended() const { return m_dialUnattended; }
    void setDialUnattended(bool on);
    // "deconnexion": hang up once the download has ended.
    bool hangUpAfterDownload() const { return m_hangUpAfterDownload; }
    void setHangUpAfterDownload(bool on);
    // "affichage": the map view fills the screen.
    bool fullScreenView() const { return m_fullScreenView; }
    void setFullScreenView(bool on);
    // The header printed above the picture.
    const QString &printHeader() const { return m_printHeader; }
    void setPrintHeader(const QString &header);

signals:
    void dialUnattendedChanged(bool on);
    void hangUpAfterDownloadChanged(bool on);
    void fullScreenViewChanged(bool on);
    void printHeaderChanged(const QString &header);

private:
    bool m_dialUnattended = false;
    bool m_hangUpAfterDownload = false;
    bool m_fullScreenView = false;
    QString m_printHeader;
};
