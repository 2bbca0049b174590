// The PNG writer: libpng fed one row at a time, 8-bit RGB, no interlacing.

#include "export/PictureWriter.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>
#include <png.h>

namespace exporting {
namespace {

void pngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

class PngPictureWriter : public PictureWriter {
public:
    ~PngPictureWriter() override
    {
        if (m_png)
            png_destroy_write_struct(&m_png, &m_info);
        if (m_file)
            std::fclose(m_file);
    }

    bool open(const QString &path, QSize size) override
    {
        if (size.isEmpty())
            return false;
        m_file = std::fopen(QFile::encodeName(path).constData(), "wbe");
        if (!m_file)
            return false;
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
        if (!m_png)
            return false;
        m_info = png_create_info_struct(m_png);
        if (!m_info)
            return false;
        if (setjmp(png_jmpbuf(m_png)))
            return !(m_failed = true);
        png_init_io(m_png, m_file);
        // Scans compress nearly as well at the quickest level, which keeps the writing
        // from holding back the decoding.
        png_set_compression_level(m_png, 1);
        png_set_IHDR(m_png, m_info, png_uint_32(size.width()), png_uint_32(size.height()), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(m_png, m_info);
        return true;
    }

    bool writeRows(const uchar *rows, int count, qsizetype stride) override
    {
        if (m_failed || !m_png)
            return false;
        if (setjmp(png_jmpbuf(m_png)))
            return !(m_failed = true);
        for (int i = 0; i < count; ++i)
            png_write_row(m_png, rows + stride * i);
        return true;
    }

    bool finish() override
    {
        if (m_failed || !m_png)
            return false;
        if (setjmp(png_jmpbuf(m_png)))
            return !(m_failed = true);
        png_write_end(m_png, m_info);
        const bool written = std::fflush(m_file) == 0 && !std::ferror(m_file);
        const bool closed = std::fclose(m_file) == 0;
        m_file = nullptr;
        return written && closed;
    }

private:
    std::FILE *m_file = nullptr;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    bool m_failed = false;
};

} // namespace

std::unique_ptr<PictureWriter> makePngWriter()
{
    return std::make_unique<PngPictureWriter>();
}

} // namespace exporting
