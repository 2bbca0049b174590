#include "imaging/Jpeg.h"
#include "imaging/JpegErrors.h"
#include "imaging/PictureMemory.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <vector>
#include <cerrno>
#include <csetjmp>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

namespace jpeg {
namespace {

// A decompressor that knows how its rows come out: set by startScaledOutput(), rows come out
// as CMYK and are converted (cmykToRgb32), with inverted inks when the picture has an Adobe marker.
struct RowDecompressor : jpeg::Decompressor {
    bool cmyk = false;
    bool inverted = false;
    int code() const { return err.pub.msg_code ? err.pub.msg_code : JERR_INPUT_EMPTY; }
};

// Reads at most `limit` bytes of a file (all of it when limit < 0) with plain system
// calls: the views read hundreds of tiles at a time, and this is most of that cost.
bool readFile(const QString &path, QByteArray &bytes, qint64 limit = -1, qint64 *fileSize = nullptr)
{
    // Not blocking: a pipe or a device under a tile's name must not hang the program.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    if (fileSize)
        *fileSize = info.st_size;
    // A whole read of a file far larger than any tile would take its size in memory.
    if (limit < 0 && qint64(info.st_size) > kMaxFileBytes) {
        ::close(fd);
        return false;
    }
    const qint64 wanted = limit < 0 ? qint64(info.st_size) : std::min<qint64>(limit, info.st_size);
    bytes.resize(qsizetype(wanted));
    qint64 done = 0;
    while (done < wanted) {
        const ssize_t n = ::read(fd, bytes.data() + done, size_t(wanted - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    ::close(fd);
    bytes.resize(qsizetype(done));
    return true;
}

// Reads the header; on success the picture's size is within bounds.
Status startDecompress(RowDecompressor &d, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {JERR_INPUT_EMPTY};
    if (setjmp(d.err.jump))
        return {d.code()};
    jpeg_mem_src(&d.cinfo, reinterpret_cast<const unsigned char *>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d.cinfo, TRUE);
    if (d.cinfo.image_width > unsigned(kMaxSide) || d.cinfo.image_height > unsigned(kMaxSide))
        return {JERR_IMAGE_TOO_BIG};
    return {};
}

// Chooses the output layout: colour and grey pictures come out in the byte order of
// QImage::Format_RGB32; CMYK (and YCCK) ones come out as CMYK, converted row by row.
bool chooseOutput(jpeg_decompress_struct &cinfo)
{
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
        cinfo.out_color_space = JCS_CMYK;
        return true;
    }
    cinfo.out_color_space = JCS_EXT_BGRX;
    return false;
}

// Sets the scale and the output layout and starts the decompression. A libjpeg error jumps
// back to the caller's set point, which must be armed.
void startScaledOutput(RowDecompressor &d, int scaleDenominator)
{
    d.cinfo.scale_num = 1;
    d.cinfo.scale_denom = unsigned(scaleDenominator);
    d.cmyk = chooseOutput(d.cinfo);
    d.inverted = d.cinfo.saw_Adobe_marker;
    jpeg_start_decompress(&d.cinfo);
}

// CMYK to B, G, R, 255 in place. Pictures written with an Adobe marker hold inverted inks
// (255 = no ink), the convention of the programs that write them; others hold plain inks.
void cmykToRgb32(uchar *pixels, JDIMENSION count, bool inverted)
{
    for (JDIMENSION i = 0; i < count; ++i, pixels += 4) {
        unsigned c = pixels[0], m = pixels[1], y = pixels[2], k = pixels[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        pixels[0] = uchar((y * k + 127) / 255);
        pixels[1] = uchar((m * k + 127) / 255);
        pixels[2] = uchar((c * k + 127) / 255);
        pixels[3] = 255;
    }
}

} // namespace

const int kTooBigCode = JERR_IMAGE_TOO_BIG;
const int kOffBlockGridCode = JERR_BAD_CROP_SPEC;
const int kScanBudgetCode = JERR_BAD_PROGRESSION;

bool Status::isCorrupt() const
{
    switch (code) {
    case 0:
    // Limits of this machine or of the decoder, not faults of the bytes.
    case JERR_FILE_READ:
    case JERR_OUT_OF_MEMORY:
    case JERR_BAD_ALLOC_CHUNK:
    case JERR_VIRTUAL_BUG:
    case JERR_BAD_STATE:
    case JERR_BAD_BUFFER_MODE:
    case JERR_BUFFER_SIZE:
    case JERR_CONVERSION_NOTIMPL:
    case JERR_NOTIMPL:
    case JERR_NOT_COMPILED:
    case JERR_BAD_CROP_SPEC:
    case JERR_TFILE_CREATE:
    case JERR_TFILE_READ:
    case JERR_TFILE_SEEK:
    case JERR_TFILE_WRITE:
        return false;
    default:
        return true;
    }
}

bool Status::isOutOfMemory() const
{
    return code == JERR_OUT_OF_MEMORY || code == JERR_BAD_ALLOC_CHUNK;
}

bool Status::isFileError() const
{
    return code == JERR_FILE_READ;
}

QString Status::message() const
{
    return QStringLiteral("Erreur JPEG #%1").arg(code);
}

Status readHeader(const QByteArray &bytes, Header &header)
{
    RowDecompressor d;
    Status status = startDecompress(d, bytes);
    if (status.ok()) {
        header.width = int(d.cinfo.image_width);
        header.height = int(d.cinfo.image_height);
        header.block = QSize(DCTSIZE * d.cinfo.max_h_samp_factor, DCTSIZE * d.cinfo.max_v_samp_factor);
    }
    return status;
}

Status readHeaderFromFile(const QString &path, Header &header)
{
    // A header sits in the first few kilobytes; read more only when it does not.
    QByteArray head;
    qint64 size = 0;
    if (!readFile(path, head, 4 * 1024, &size))
        return {JERR_FILE_READ};
    Status status = readHeader(head, header);
    if (!status.ok() && size > head.size()) {
        if (!readFile(path, head, kMaxFileBytes))
            return {JERR_FILE_READ};
        status = readHeader(head, header);
    }
    return status;
}

Status decode(const QByteArray &bytes, QImage &image, int scaleDenominator)
{
    RowDecompressor d;
    Status status = startDecompress(d, bytes);
    if (!status.ok())
        return status;
    if (setjmp(d.err.jump))
        return {d.code()};
    startScaledOutput(d, scaleDenominator);

    // The picture is made before the jump point below and only its pixels change after
    // it, so a jump back leaves it in a defined state.
    QImage result = imaging::uninitialisedPicture(QSize(int(d.cinfo.output_width), int(d.cinfo.output_height)),
                                                  QImage::Format_RGB32);
    if (result.isNull())
        return {JERR_OUT_OF_MEMORY};
    uchar *const bits = result.bits();
    const qsizetype stride = result.bytesPerLine();
    if (setjmp(d.err.jump))
        return {d.code()};
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        JSAMPROW row = bits + stride * qsizetype(d.cinfo.output_scanline);
        jpeg_read_scanlines(&d.cinfo, &row, 1);
        if (d.cmyk)
            cmykToRgb32(row, d.cinfo.output_width, d.inverted);
    }
    jpeg_finish_decompress(&d.cinfo);
    image = std::move(result);
    return {};
}

Status decodeRegion(const QByteArray &bytes, QImage &image, QRect region, QRect &decoded,
                    int scaleDenominator)
{
    RowDecompressor d;
    Status status = startDecompress(d, bytes);
    if (!status.ok())
        return status;
    if (setjmp(d.err.jump))
        return {d.code()};
    startScaledOutput(d, scaleDenominator);

    const QRect whole(0, 0, int(d.cinfo.output_width), int(d.cinfo.output_height));
    const QRect requested = region.intersected(whole);
    // Smoothed colour planes read their neighbours: a margin of a coding block around the
    // region gives its pixels exactly the values of a whole decode (the margin's own pixels
    // may differ, so only the requested part counts as decoded).
    region = requested.isEmpty() ? requested : requested.adjusted(-16, -16, 16, 16).intersected(whole);
    QImage result = imaging::uninitialisedPicture(whole.size(), QImage::Format_RGB32);
    if (result.isNull())
        return {JERR_OUT_OF_MEMORY};
    result.fill(Qt::black);
    uchar *const bits = result.bits();
    const qsizetype stride = result.bytesPerLine();
    if (setjmp(d.err.jump))
        return {d.code()};
    if (region.isEmpty()) {
        jpeg_abort_decompress(&d.cinfo);
        decoded = QRect();
        image = std::move(result);
        return {};
    }
    JDIMENSION x = JDIMENSION(region.x()), width = JDIMENSION(region.width());
    if (region.width() < whole.width())
        jpeg_crop_scanline(&d.cinfo, &x, &width);   // widens to whole coding blocks
    if (region.y() > 0)
        jpeg_skip_scanlines(&d.cinfo, JDIMENSION(region.y()));
    const JDIMENSION last = JDIMENSION(region.y() + region.height());
    while (d.cinfo.output_scanline < last) {
        JSAMPROW row = bits + stride * qsizetype(d.cinfo.output_scanline) + qsizetype(x) * 4;
        if (jpeg_read_scanlines(&d.cinfo, &row, 1) == 1 && d.cmyk)
            cmykToRgb32(row, width, d.inverted);
    }
    jpeg_abort_decompress(&d.cinfo);   // the rows below are not needed
    decoded = requested;
    image = std::move(result);
    return {};
}

Status decodeFileRegion(const QString &path, QImage &image, QRect region, QRect &decoded,
                        int scaleDenominator)
{
    QByteArray bytes;
    if (!readFile(path, bytes))
        return {JERR_FILE_READ};
    return decodeRegion(bytes, image, region, decoded, scaleDenominator);
}

Status decodeFile(const QString &path, QImage &image, int scaleDenominator)
{
    QByteArray bytes;
    if (!readFile(path, bytes))
        return {JERR_FILE_READ};
    return decode(bytes, image, scaleDenominator);
}

namespace {

// A source reading an open file in large pieces. libjpeg's stdio source refills 4 KB at a
// time, and its Huffman decoder takes its fast path only while a few kilobytes are buffered
// (6 blocks x 512 bytes for a 4:2:0 picture): with small refills most of a tile went through
// the slow path. The buffer is bounded whatever the file's size.
struct PieceSource {
    jpeg_source_mgr pub{};   // nothing buffered yet
    int fd = -1;
    std::vector<JOCTET> buffer;
    bool atStart = true;
};

constexpr size_t kCheckPiece = 256 * 1024;
const JOCTET kFakeEnd[2] = {0xFF, JPEG_EOI};

void pieceInit(j_decompress_ptr) {}

boolean pieceFill(j_decompress_ptr cinfo)
{
    auto *src = reinterpret_cast<PieceSource *>(cinfo->src);
    ssize_t n;
    do
        n = ::read(src->fd, src->buffer.data(), src->buffer.size());
    while (n < 0 && errno == EINTR);
    if (n < 0)
        ERREXIT(cinfo, JERR_FILE_READ);
    if (n == 0) {
        if (src->atStart)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // The file ends before the picture does: a warning of damaged data, as libjpeg's own
        // sources give, then an end marker so that the decoder stops.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->pub.next_input_byte = kFakeEnd;
        src->pub.bytes_in_buffer = 2;
        return TRUE;
    }
    src->atStart = false;
    src->pub.next_input_byte = src->buffer.data();
    src->pub.bytes_in_buffer = size_t(n);
    return TRUE;
}

void pieceSkip(j_decompress_ptr cinfo, long count)
{
    auto *src = reinterpret_cast<PieceSource *>(cinfo->src);
    while (count > long(src->pub.bytes_in_buffer)) {
        count -= long(src->pub.bytes_in_buffer);
        pieceFill(cinfo);
    }
    if (count > 0) {
        src->pub.next_input_byte += count;
        src->pub.bytes_in_buffer -= size_t(count);
    }
}

void pieceTerm(j_decompress_ptr) {}

// Called by libjpeg between the steps of its work, also while it reads the scans of a
// progressive picture before the first row comes out: past the budget the check ends.
void checkBudget(j_common_ptr common)
{
    const auto *cinfo = reinterpret_cast<j_decompress_ptr>(common);
    const qint64 scans = cinfo->input_scan_number;
    if (scans > kMaxCheckedScans
        || scans * qint64(cinfo->image_width) * qint64(cinfo->image_height) > kMaxCheckedScanPixels)
        ERREXIT(common, JERR_BAD_PROGRESSION);
}

// Decodes a picture whose source is already set: header within bounds, every row decoded
// at 1/8 (every coefficient is still entropy-decoded, so damaged data is still found, while
// the transforms cost almost nothing) and no warning of damaged data.
Status checkDecode(RowDecompressor &d, Header &header)
{
    std::vector<JSAMPLE> rows;
    std::vector<JSAMPROW> pointers;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = checkBudget;
    d.cinfo.progress = &progress;
    if (setjmp(d.err.jump))
        return {d.code()};
    jpeg_read_header(&d.cinfo, TRUE);
    if (d.cinfo.image_width == 0 || d.cinfo.image_height == 0)
        return {JERR_EMPTY_IMAGE};
    if (d.cinfo.image_width > unsigned(kMaxSide) || d.cinfo.image_height > unsigned(kMaxSide))
        return {JERR_IMAGE_TOO_BIG};
    d.cinfo.scale_num = 1;
    d.cinfo.scale_denom = 8;
    d.cinfo.dct_method = JDCT_IFAST;
    d.cinfo.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&d.cinfo);
    // A band of rows per call (at most 1024 x 16 x 4 bytes at 1/8 of the largest picture).
    const size_t rowBytes = size_t(d.cinfo.output_width) * size_t(d.cinfo.output_components);
    const JDIMENSION band = 16;
    rows.resize(rowBytes * band);
    pointers.resize(band);
    for (JDIMENSION i = 0; i < band; ++i)
        pointers[i] = rows.data() + rowBytes * i;
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        jpeg_read_scanlines(&d.cinfo, pointers.data(), band);
        if (d.err.warnings > 0)
            return {d.err.pub.msg_code ? d.err.pub.msg_code : JERR_INPUT_EOF};
    }
    jpeg_finish_decompress(&d.cinfo);
    if (d.err.warnings > 0)
        return {d.err.pub.msg_code ? d.err.pub.msg_code : JERR_INPUT_EOF};
    header.width = int(d.cinfo.image_width);
    header.height = int(d.cinfo.image_height);
    return {};
}

} // namespace

Status checkOpenFile(int fd, Header &header)
{
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return {JERR_FILE_READ};
    if (info.st_size == 0)
        return {JERR_INPUT_EMPTY};
    RowDecompressor d;
    PieceSource source;
    source.fd = fd;
    // One piece holds a whole tile of the usual size; a larger file is read in pieces.
    source.buffer.resize(size_t(std::min<qint64>(qint64(info.st_size) + 1, qint64(kCheckPiece))));
    source.pub.init_source = pieceInit;
    source.pub.fill_input_buffer = pieceFill;
    source.pub.skip_input_data = pieceSkip;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = pieceTerm;
    d.cinfo.src = &source.pub;
    const Status status = checkDecode(d, header);
    d.cinfo.src = nullptr;   // not libjpeg's to release
    d.cinfo.progress = nullptr;
    return status;
}

Status checkFile(const QString &path, Header &header)
{
    // Not blocking, and only regular files: see readFile.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {JERR_FILE_READ};
    const Status status = checkOpenFile(fd, header);
    ::close(fd);
    return status;
}

Status cropLossless(const QByteArray &bytes, QRect crop, QByteArray &out)
{
    RowDecompressor d;
    const Status status = startDecompress(d, bytes);
    if (!status.ok())
        return status;
    jpeg_decompress_struct &in = d.cinfo;
    if (crop.isEmpty() || crop.x() < 0 || crop.y() < 0 || crop.right() >= int(in.image_width)
        || crop.bottom() >= int(in.image_height))
        return {JERR_BAD_CROP_SPEC};
    // The part starts on a whole unit of blocks of every component (an MCU).
    const int unitW = DCTSIZE * in.max_h_samp_factor, unitH = DCTSIZE * in.max_v_samp_factor;
    if (crop.x() % unitW != 0 || crop.y() % unitH != 0)
        return {JERR_BAD_CROP_SPEC};

    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    err.attach(cinfo);
    jpeg_create_compress(&cinfo);
    cinfo.mem->max_memory_to_use = in.mem->max_memory_to_use;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = checkBudget;
    in.progress = &progress;
    auto release = [&] {
        in.progress = nullptr;
        jpeg_destroy_compress(&cinfo);
        free(buffer);
    };
    auto fail = [&](int code) -> Status {
        release();
        return {code ? code : JERR_OUT_OF_MEMORY};
    };
    if (setjmp(d.err.jump))
        return fail(d.code());
    if (setjmp(err.jump))
        return fail(err.pub.msg_code);
    jvirt_barray_ptr *source = jpeg_read_coefficients(&in);
    // Damaged data would be copied as it is: the part is made by decoding instead.
    if (d.err.warnings > 0)
        return fail(d.code());
    jpeg_copy_critical_parameters(&in, &cinfo);
    cinfo.image_width = JDIMENSION(crop.width());
    cinfo.image_height = JDIMENSION(crop.height());
    cinfo.optimize_coding = TRUE;
    jvirt_barray_ptr target[MAX_COMPONENTS]{};
    auto blocks = [](qint64 pixels, int sampling, int unit) { return JDIMENSION((pixels * sampling + unit - 1) / unit); };
    auto roundUp = [](JDIMENSION n, int multiple) { return JDIMENSION((n + multiple - 1) / multiple * multiple); };
    for (int ci = 0; ci < in.num_components; ++ci) {
        const jpeg_component_info &comp = in.comp_info[ci];
        target[ci] = cinfo.mem->request_virt_barray(
            reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, FALSE,
            roundUp(blocks(crop.width(), comp.h_samp_factor, unitW), comp.h_samp_factor),
            roundUp(blocks(crop.height(), comp.v_samp_factor, unitH), comp.v_samp_factor), JDIMENSION(comp.v_samp_factor));
    }
    jpeg_mem_dest(&cinfo, &buffer, &size);
    jpeg_write_coefficients(&cinfo, target);
    // The part's blocks, row by row of each component (its arrays are whole rows of MCUs).
    for (int ci = 0; ci < in.num_components; ++ci) {
        const jpeg_component_info &comp = cinfo.comp_info[ci];
        const int v = comp.v_samp_factor;
        const JDIMENSION fromX = JDIMENSION(crop.x() * comp.h_samp_factor / unitW);
        const JDIMENSION fromY = JDIMENSION(crop.y() * v / unitH);
        const JDIMENSION width = roundUp(comp.width_in_blocks, comp.h_samp_factor);
        for (JDIMENSION y = 0; y < comp.height_in_blocks; y += JDIMENSION(v)) {
            JBLOCKARRAY to = cinfo.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&cinfo), target[ci], y,
                                                           JDIMENSION(v), TRUE);
            JBLOCKARRAY from = in.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&in), source[ci], fromY + y,
                                                          JDIMENSION(v), FALSE);
            for (int row = 0; row < v; ++row)
                std::memcpy(to[row], from[row] + fromX, size_t(width) * sizeof(JBLOCK));
        }
    }
    jpeg_finish_compress(&cinfo);
    jpeg_finish_decompress(&in);
    out = QByteArray(reinterpret_cast<const char *>(buffer), qsizetype(size));
    release();
    return {};
}

QSize scaledSize(QSize full, int d)
{
    return {(full.width() + d - 1) / d, (full.height() + d - 1) / d};
}

int coveringScale(QSize full, QSize target)
{
    for (int d : {8, 4, 2}) {
        const QSize s = scaledSize(full, d);
        if (s.width() >= target.width() && s.height() >= target.height())
            return d;
    }
    return 1;
}

Status encode(const QImage &source, QByteArray &out, int quality)
{
    if (source.isNull())
        return {JERR_EMPTY_IMAGE};
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    err.attach(cinfo);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        const int code = err.pub.msg_code;
        jpeg_destroy_compress(&cinfo);
        free(buffer);
        return {code ? code : JERR_OUT_OF_MEMORY};
    }
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    out = QByteArray(reinterpret_cast<const char *>(buffer), qsizetype(size));
    free(buffer);
    return {};
}

} // namespace jpeg
