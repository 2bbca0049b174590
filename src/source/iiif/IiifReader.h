#pragma once
// Reads what an IIIF address describes, for adding a map: the image's description
// (info.json), or a manifest and the descriptions of the first of its images (those a
// person sees listed before the map is added; the others take the sizes the manifest gives
// and their plans are made when they are downloaded); a view of a library document also
// reads the document's manifest for its title. What a document is follows from its
// content: an address read as a manifest may turn out to be a collection (the person picks
// one of its manifests through the chooser) or an image's description, and an image's base
// whose "info.json" is not found is read as a document itself. The sizes given are those
// the sheets will be installed at, and the tiles are asked where the description was found
// (after redirects). A canvas without an image keeps its place as a sheet without address;
// a canvas whose picture has no image service becomes a sheet of the canvas's size, its
// picture asked once when it is downloaded.
// Tells its progress, may be cancelled, and every request has the fetcher's deadline. Ends
// with one done(), failed() or stopped(), never after cancel().

#include "source/KindReader.h"
#include "source/RetryCountdown.h"
#include "source/iiif/IiifAddress.h"
#include "net/PacedFetcher.h"

#include <functional>

#include <QObject>

namespace iiif {
struct ImageInfo;
}

class IiifReader : public source::KindReader {
    Q_OBJECT
public:
    static constexpr qint64 kMaxDocumentBytes = 16 * 1024 * 1024;
    // Manifests and collections: a national archive's of some nine thousand canvases
    // passes 16 MB.
    static constexpr qint64 kMaxManifestBytes = 64 * 1024 * 1024;
    // Images whose descriptions are read for the summary; and the most shown in it.
    static constexpr int kDescribedSheets = 20;
    // The most sheets a map holds (the sheet index's limit).
    static constexpr int kMaxSheetsPerMap = 100;
    // Collections opened one inside another before the reading gives up.
    static constexpr int kMaxCollections = 8;

    IiifReader(PacedFetcher &fetcher, QObject *parent = nullptr);

    void read(const iiif::Address &address);
    // The typed text, read as an IIIF address.
    void read(const QString &text, const QString &url) override;
    bool busy() const override { return m_busy; }
    void cancel() override;
    void stop() override;

    // The title a map gets when no manifest names it.
    static QString fallbackTitle(const QString &imageBase);

    // The maps that a reading becomes: one, or for more than kMaxSheetsPerMap sheets several
    // maps of at most that many, titled "<title> (1/5)", "(2/5)"...
    struct MapPart {
        QString title;
        QList<source::SheetSource> sheets;
    };
    static QList<MapPart> mapsOf(const QString &title, const QList<source::SheetSource> &sheets);
    // The sizes of the sheets, one a line, at most kDescribedSheets of them.
    static QString summaryText(const QList<source::SheetSource> &sheets);

private:
    void onResult(const PacedFetcher::Result &r, const QString &error);
    void onDocument(const QByteArray &body, const QString &finalUrl);
    void onImage(const QByteArray &body, const QString &finalUrl);
    void addImage(const iiif::ImageInfo &info, const QString &address);
    void tryFallback(const QString &error);
    void completeSheets();
    void readDocument(const QString &url);
    void readNextImage();
    void fail(const QString &text);
    void finish();
    void request(const QString &url);

    PacedFetcher &m_fetcher;
    bool m_busy = false;
    int m_request = 0;
    enum class Stage { Document, Image, Title };
    Stage m_stage = Stage::Image;
    QString m_fallback;        // what the first address is read as when it is not what it seemed
    QString m_firstError;      // said when the other reading fails too
    int m_collections = 0;     // collections opened on the way, bounded
    QString m_title;
    QStringList m_bases;
    QList<QSize> m_canvasSizes;
    QList<source::SheetSource> m_sheets;
    source::RetryCountdown m_countdown;
};
