#pragma once
// The program's one gateway to libjpeg: header reads, full and DCT-scaled decodes, and
// encoding. libjpeg errors never end the process: every call reports the decoder's
// error number instead, which the program shows as "Erreur JPEG #%d".

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

namespace jpeg {

// Pictures larger than this either way are refused before any pixel memory is taken.
constexpr int kMaxSide = 8192;
// Files larger than this are never read into memory: no tile of the program comes near it.
constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
// The code reported for a picture over that limit (libjpeg's "image too big").
extern const int kTooBigCode;
// A whole-picture check reads at most this many scans, and decodes at most this many pixels
// over all its scans (scans x width x height): past either it refuses the picture, so a
// file of a few kilobytes repeating empty scans costs milliseconds, not minutes. Real
// progressive pictures hold about ten scans.
constexpr int kMaxCheckedScans = 64;
constexpr qint64 kMaxCheckedScanPixels = qint64(24) * kMaxSide * kMaxSide;
// The code reported for a picture past that budget.
extern const int kScanBudgetCode;

struct Header {
    int width = 0;
    int height = 0;
    // The side of the picture's blocks of pixels (8 x 8, or 16 for colours sampled at half
    // their resolution, up to 32): a cut on these lines keeps the picture's own blocks.
    QSize block;
    QSize size() const { return {width, height}; }
};

// Outcome of a libjpeg call: 0 when it succeeded, else the libjpeg message code.
struct Status {
    int code = 0;
    bool ok() const { return code == 0; }
    // The file itself could not be read (missing, no permission), as opposed to bad data.
    bool isFileError() const;
    // The bytes themselves are damaged or are no picture (libjpeg reports a data error), as
    // opposed to a limit of the decoder or of this machine: only such a file may be deleted.
    bool isCorrupt() const;
    bool isOutOfMemory() const;
    // "Erreur JPEG #" + code, the text shown to the user.
    QString message() const;
};

Status readHeader(const QByteArray &bytes, Header &header);
Status readHeaderFromFile(const QString &path, Header &header);

// Whether a file holds one whole picture: a header within bounds (each side at most
// kMaxSide), scans within the budget above, and every row decoding without an error or a warning of damaged data. The file
// is read in pieces of at most 256 KB and decoded a band of rows at a time, so its size does
// not decide the memory taken. `header` receives the size when it does.
Status checkFile(const QString &path, Header &header);
// The same check on a file already open for reading, from its current position.
Status checkOpenFile(int fd, Header &header);

// Decodes at 1/scaleDenominator of the full size (1, 2, 4 or 8) into a Format_RGB32
// picture of ceil(width / d) x ceil(height / d) pixels. Colour, grey, CMYK and inverted
// (Adobe) CMYK pictures all come out in RGB.
Status decode(const QByteArray &bytes, QImage &image, int scaleDenominator = 1);
Status decodeFile(const QString &path, QImage &image, int scaleDenominator = 1);

// Decodes only `region` (in pixels of the picture at 1/scaleDenominator) into a picture of
// the whole scaled size; pixels outside the decoded part are black. Rows above the region
// are skipped and rows below it never read, columns outside it are not transformed, so a
// small region of a large picture costs a fraction of the whole. `decoded` receives the
// part that holds exactly the pixels of a whole decode: `region` within the picture.
Status decodeRegion(const QByteArray &bytes, QImage &image, QRect region, QRect &decoded,
                    int scaleDenominator = 1);
Status decodeFileRegion(const QString &path, QImage &image, QRect region, QRect &decoded,
                        int scaleDenominator = 1);

// The largest of 1, 2, 4, 8 whose scaled picture still covers target x target... pixels
// in both directions (never below the target unless the full size is smaller).
int coveringScale(QSize full, QSize target);
// Size of a picture of `full` size decoded at 1/d.
QSize scaledSize(QSize full, int scaleDenominator);

// The part `crop` of a JPEG picture as a JPEG picture of its own, without decoding it: the
// compressed blocks are copied as they are (as `jpegtran -crop` does), so the part decodes
// to exactly the pixels of the picture's own blocks. The part's left and top edges must lie
// on the lines of the picture's blocks (Header::block) and the part within the picture;
// otherwise nothing is made and the code is kOffBlockGridCode. A progressive picture is
// read within the check's scan budget; the part comes out in one scan.
Status cropLossless(const QByteArray &bytes, QRect crop, QByteArray &out);
// The code reported for a part that cannot be cut without decoding the picture.
extern const int kOffBlockGridCode;

// Baseline JPEG, 24-bit colour, the given quality (90 is the program's default).
Status encode(const QImage &image, QByteArray &out, int quality = 90);

} // namespace jpeg
