#pragma once
// One writer per picture format, fed from top to bottom with rows of 24-bit RGB pixels,
// holding no more of the picture than its format needs (a JPEG's 16 rows, a TIFF's row of
// tiles, a PNG's one row). A write that fails (full disk) makes the next call return false.

#include "export/ExportFormat.h"

#include <QSize>
#include <QString>
#include <memory>

namespace exporting {

class PictureWriter {
public:
    virtual ~PictureWriter() = default;
    // Creates the file for a picture of `size`; false when it cannot be created.
    virtual bool open(const QString &path, QSize size) = 0;
    // The next `count` rows, `stride` bytes apart, each width x 3 bytes of RGB.
    virtual bool writeRows(const uchar *rows, int count, qsizetype stride) = 0;
    // Completes the file and closes it; false when anything could not be written. A writer
    // destroyed before it closes its file, closes it as it is.
    virtual bool finish() = 0;
};

struct WriterOptions {
    // A TIFF file expected to pass this size is written as BigTIFF.
    qint64 bigTiffThreshold = kClassicTiffLimit;
    // The reduced pages' side: halving stops at the first page under this.
    int smallestPage = 512;
};

std::unique_ptr<PictureWriter> makeJpegWriter();
std::unique_ptr<PictureWriter> makeTiffWriter(const WriterOptions &options);
std::unique_ptr<PictureWriter> makePngWriter();
std::unique_ptr<PictureWriter> makeWriter(Format format, const WriterOptions &options = {});

} // namespace exporting
