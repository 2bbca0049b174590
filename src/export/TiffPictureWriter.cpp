// The TIFF writer: tiles of 256 x 256 compressed as JPEG (YCbCr), then reduced-resolution
// pages, each half the one before, down to the first under the smallest side. The full page
// goes straight into the file; each reduced page is made from the rows as they pass (2 x 2
// averages) into a file of its own beside it, whose compressed tiles are copied after the
// full page at the end, so that no page is ever held whole.

#include "export/PictureWriter.h"

#include <QFile>
#include <cstring>
#include <tiffio.h>
#include <vector>

namespace exporting {
namespace {

constexpr int kTileSide = 256;

void quietTiff(const char *, const char *, va_list) {}

bool setPageTags(TIFF *tif, QSize size, bool reduced)
{
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(size.width()))
              && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(size.height()))
              && TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3)
              && TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG)
              && TIFFSetField(tif, TIFFTAG_TILEWIDTH, uint32_t(kTileSide))
              && TIFFSetField(tif, TIFFTAG_TILELENGTH, uint32_t(kTileSide))
              && TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG)
              && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR)
              && TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 2, 2)
              && TIFFSetField(tif, TIFFTAG_JPEGQUALITY, kJpegQuality)
              && TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    if (reduced)
        ok = ok && TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
    return ok;
}

// One page: gathers a row of tiles, compresses it into its file, and passes every pair of
// rows, halved, to the next page.
class Page {
public:
    Page(QSize size, int smallestPage) : m_size(size)
    {
        m_columns = (size.width() + kTileSide - 1) / kTileSide;
        m_rowBytes = qsizetype(m_columns) * kTileSide * 3;
        m_band.assign(size_t(m_rowBytes) * kTileSide, 0);
        m_tile.resize(size_t(kTileSide) * kTileSide * 3);
        if (qMax(size.width(), size.height()) >= smallestPage) {
            m_pending.resize(size_t(size.width()) * 3);
            m_halved.resize(size_t((size.width() + 1) / 2) * 3);
            next = std::make_unique<Page>(QSize((size.width() + 1) / 2, (size.height() + 1) / 2), smallestPage);
        }
    }

    bool open(const QString &path, const char *mode, bool reduced)
    {
        m_path = path;
        tif = TIFFOpen(QFile::encodeName(path).constData(), mode);
        return tif && setPageTags(tif, m_size, reduced);
    }

    bool addRow(const uchar *row)
    {
        std::memcpy(m_band.data() + m_rowBytes * m_bandRows, row, size_t(m_size.width()) * 3);
        if (++m_bandRows == kTileSide && !flushBand())
            return false;
        if (!next)
            return true;
        if (!m_hasPending) {
            std::memcpy(m_pending.data(), row, m_pending.size());
            m_hasPending = true;
            return true;
        }
        m_hasPending = false;
        return next->addRow(halve(m_pending.data(), row));
    }

    // The rows left: the last odd row, the last band.
    bool finishRows()
    {
        if (next && m_hasPending && !next->addRow(halve(m_pending.data(), m_pending.data())))
            return false;
        m_hasPending = false;
        if (m_bandRows > 0 && !flushBand())
            return false;
        return !next || next->finishRows();
    }

    ~Page()
    {
        if (tif)
            TIFFClose(tif);
    }

    TIFF *tif = nullptr;
    std::unique_ptr<Page> next;
    const QString &path() const { return m_path; }
    QSize size() const { return m_size; }

private:
    const uchar *halve(const uchar *top, const uchar *bottom)
    {
        const int width = m_size.width();
        uchar *out = m_halved.data();
        for (int x = 0; x < width; x += 2) {
            const int right = x + 1 < width ? x + 1 : x;
            for (int c = 0; c < 3; ++c)
                *out++ = uchar((top[x * 3 + c] + top[right * 3 + c] + bottom[x * 3 + c]
                                + bottom[right * 3 + c] + 2) >> 2);
        }
        return m_halved.data();
    }

    bool flushBand()
    {
        // Rows past the picture repeat its last one, which compresses best.
        for (int r = m_bandRows; r < kTileSide; ++r)
            std::memcpy(m_band.data() + m_rowBytes * r, m_band.data() + m_rowBytes * (m_bandRows - 1),
                        size_t(m_rowBytes));
        const qsizetype tileRow = qsizetype(kTileSide) * 3;
        for (int column = 0; column < m_columns; ++column) {
            for (int r = 0; r < kTileSide; ++r)
                std::memcpy(m_tile.data() + tileRow * r, m_band.data() + m_rowBytes * r + tileRow * column,
                            size_t(tileRow));
            const uint32_t tile = TIFFComputeTile(tif, uint32_t(column * kTileSide),
                                                  uint32_t(m_bandIndex * kTileSide), 0, 0);
            if (TIFFWriteEncodedTile(tif, tile, m_tile.data(), tmsize_t(m_tile.size())) < 0)
                return false;
        }
        ++m_bandIndex;
        m_bandRows = 0;
        return true;
    }

    QSize m_size;
    QString m_path;
    int m_columns = 0;
    qsizetype m_rowBytes = 0;
    std::vector<uchar> m_band;      // one row of tiles, the width padded to whole tiles
    std::vector<uchar> m_tile;
    int m_bandRows = 0;
    int m_bandIndex = 0;
    std::vector<uchar> m_pending;   // the first row of a pair
    std::vector<uchar> m_halved;
    bool m_hasPending = false;
};

// Copies the compressed tiles of a finished page file as the next page of `out`.
bool appendPage(TIFF *out, const QString &path, QSize size)
{
    TIFF *in = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!in)
        return false;
    bool ok = setPageTags(out, size, true);
    uint32_t tablesSize = 0;
    void *tables = nullptr;
    if (ok && TIFFGetField(in, TIFFTAG_JPEGTABLES, &tablesSize, &tables))
        ok = TIFFSetField(out, TIFFTAG_JPEGTABLES, tablesSize, tables);
    std::vector<uchar> raw;
    const uint32_t tiles = TIFFNumberOfTiles(in);
    for (uint32_t tile = 0; ok && tile < tiles; ++tile) {
        const uint64_t bytes = TIFFGetStrileByteCount(in, tile);
        raw.resize(size_t(bytes));
        ok = TIFFReadRawTile(in, tile, raw.data(), tmsize_t(bytes)) == tmsize_t(bytes)
             && TIFFWriteRawTile(out, tile, raw.data(), tmsize_t(bytes)) == tmsize_t(bytes);
    }
    TIFFClose(in);
    return ok && TIFFWriteDirectory(out);
}

class TiffPictureWriter : public PictureWriter {
public:
    explicit TiffPictureWriter(const WriterOptions &options) : m_options(options)
    {
        TIFFSetErrorHandler(quietTiff);
        TIFFSetWarningHandler(quietTiff);
    }
    ~TiffPictureWriter() override
    {
        m_first.reset();
        for (const QString &path : m_pageFiles)
            QFile::remove(path);
    }

    bool open(const QString &path, QSize size) override
    {
        if (size.isEmpty())
            return false;
        // JPEG at this quality keeps well under 2 bytes a pixel, reduced pages included.
        const bool big = qint64(size.width()) * size.height() * 2 > m_options.bigTiffThreshold;
        const char *mode = big ? "w8" : "w";
        m_first = std::make_unique<Page>(size, m_options.smallestPage);
        if (!m_first->open(path, mode, false))
            return !(m_failed = true);
        int index = 1;
        for (Page *page = m_first->next.get(); page; page = page->next.get(), ++index) {
            const QString pagePath = path + QStringLiteral(".page%1").arg(index);
            m_pageFiles << pagePath;
            if (!page->open(pagePath, mode, true))
                return !(m_failed = true);
        }
        return true;
    }

    bool writeRows(const uchar *rows, int count, qsizetype stride) override
    {
        if (m_failed || !m_first)
            return false;
        for (int i = 0; i < count; ++i)
            if (!m_first->addRow(rows + stride * i))
                return !(m_failed = true);
        return true;
    }

    bool finish() override
    {
        if (m_failed || !m_first || !m_first->finishRows() || !TIFFWriteDirectory(m_first->tif))
            return !(m_failed = true);
        for (Page *page = m_first->next.get(); page; page = page->next.get()) {
            // Closing the page's file writes its directory; a failed write shows when read back.
            TIFFClose(page->tif);
            page->tif = nullptr;
            if (!appendPage(m_first->tif, page->path(), page->size()))
                return !(m_failed = true);
            QFile::remove(page->path());
        }
        const bool flushed = TIFFFlush(m_first->tif) == 1;
        TIFFClose(m_first->tif);
        m_first->tif = nullptr;
        return flushed && !(m_failed = !flushed);
    }

private:
    WriterOptions m_options;
    std::unique_ptr<Page> m_first;
    QStringList m_pageFiles;
    bool m_failed = false;
};

} // namespace

std::unique_ptr<PictureWriter> makeTiffWriter(const WriterOptions &options)
{
    return std::make_unique<TiffPictureWriter>(options);
}

} // namespace exporting
