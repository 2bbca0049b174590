#pragma once
// The reader of a kind whose map is one picture described by one file read at its address
// (Deep Zoom's ".dzi", Zoomify's "ImageProperties.xml"): it reads the description, makes the
// source from it through the kind's table entry and gives the one sheet it makes, titled
// after its kind and the last part of its address.

#include "source/KindReader.h"
#include "source/SourceKind.h"

class PacedFetcher;

namespace source {

class DescriptionReader : public KindReader {
    Q_OBJECT
public:
    DescriptionReader(PacedFetcher &fetcher, const SourceKind &kind, QObject *parent = nullptr);

    void read(const QString &text, const QString &url) override;
    void cancel() override;
    void stop() override;
    bool busy() const override { return m_request != 0; }

    // "Carte Deep Zoom carte", "Carte Zoomify z"...
    static QString fallbackTitle(Kind kind, const QString &url);

private:
    PacedFetcher &m_fetcher;
    const SourceKind &m_kind;
    QString m_url;
    int m_request = 0;
};

} // namespace source
