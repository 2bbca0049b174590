#pragma once
// Reads what an IIIF address describes, for adding a map: the image's description
// (info.json), or a manifest and the description of each of its images; a view of a
// library document also reads the document's manifest for its title. Ends with one done()
// or failed().

#include "catalogue/AddedMaps.h"
#include "net/IiifAddress.h"

#include <QObject>

class IiifFetcher;

class IiifReader : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxDocumentBytes = 16 * 1024 * 1024;

    IiifReader(IiifFetcher &fetcher, QObject *parent = nullptr);

    void read(const iiif::Address &address);
    bool busy() const { return m_busy; }
    void cancel();

    // The title a map gets when no manifest names it.
    static QString fallbackTitle(const QString &imageBase);

signals:
    void done(const QString &title, const QList<iiif::SheetSource> &sheets);
    void failed(const QString &text);

private:
    void onFinished(int id, const QByteArray &body, bool ok, const QString &error);
    void readNextImage();
    void fail(const QString &text);
    void finish();

    IiifFetcher &m_fetcher;
    bool m_busy = false;
    int m_request = 0;
    bool m_readingManifest = false;
    bool m_readingTitle = false;
    QString m_title;
    QStringList m_bases;
    QList<iiif::SheetSource> m_sheets;
};
