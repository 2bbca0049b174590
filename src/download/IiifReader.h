#pragma once
// Reads what an IIIF address describes, for adding a map: the image's description
// (info.json), or a manifest and the descriptions of the first of its images (those a
// person sees listed before the map is added; the others take the sizes the manifest gives
// and their plans are made when they are downloaded); a view of a library document also
// reads the document's manifest for its title. Tells its progress, may be cancelled, and
// every request has the fetcher's deadline. Ends with one done() or failed(), never after
// cancel().

#include "catalogue/AddedMaps.h"
#include "download/RetryCountdown.h"
#include "net/IiifAddress.h"

#include <QObject>

class IiifFetcher;

class IiifReader : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxDocumentBytes = 16 * 1024 * 1024;
    // Images whose descriptions are read for the summary; and the most shown in it.
    static constexpr int kDescribedSheets = 20;
    // The most sheets a map holds (the sheet index's limit).
    static constexpr int kMaxSheetsPerMap = 100;

    IiifReader(IiifFetcher &fetcher, QObject *parent = nullptr);

    void read(const iiif::Address &address);
    bool busy() const { return m_busy; }
    // Ends the reading at once; no signal follows.
    void cancel();
    // The person gave up waiting: the reading ends and stopped() says so.
    void stop();

    // The title a map gets when no manifest names it.
    static QString fallbackTitle(const QString &imageBase);

    // The maps that a reading becomes: one, or for more than kMaxSheetsPerMap sheets several
    // maps of at most that many, titled "<title> (1/5)", "(2/5)"...
    struct MapPart {
        QString title;
        QList<iiif::SheetSource> sheets;
    };
    static QList<MapPart> mapsOf(const QString &title, const QList<iiif::SheetSource> &sheets);
    // The sizes of the sheets, one a line, at most kDescribedSheets of them.
    static QString summaryText(const QList<iiif::SheetSource> &sheets);

signals:
    // What is being read, for a person waiting (also the count-down of a busy server).
    void progress(const QString &text);
    void done(const QString &title, const QList<iiif::SheetSource> &sheets);
    void failed(const QString &text);
    void stopped();

private:
    void onResult(int id, const QByteArray &body, bool ok, const QString &error);
    void readNextImage();
    void fail(const QString &text);
    void finish();
    void request(const QString &url);

    IiifFetcher &m_fetcher;
    bool m_busy = false;
    int m_request = 0;
    bool m_readingManifest = false;
    bool m_readingTitle = false;
    QString m_title;
    QStringList m_bases;
    QList<QSize> m_canvasSizes;
    QList<iiif::SheetSource> m_sheets;
    download::RetryCountdown m_countdown;
};
