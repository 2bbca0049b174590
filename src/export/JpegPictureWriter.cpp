// The JPEG writer: libjpeg's compressor fed row by row into a file, quality 90, baseline.

#include "export/PictureWriter.h"
#include "imaging/JpegErrors.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace exporting {
namespace {

class JpegPictureWriter : public PictureWriter {
public:
    JpegPictureWriter()
    {
        m_err.attach(m_cinfo);
        jpeg_create_compress(&m_cinfo);
    }
    ~JpegPictureWriter() override
    {
        jpeg_destroy_compress(&m_cinfo);
        if (m_file)
            std::fclose(m_file);
    }

    bool open(const QString &path, QSize size) override
    {
        if (size.width() > kJpegMaxSide || size.height() > kJpegMaxSide || size.isEmpty())
            return false;
        m_file = std::fopen(QFile::encodeName(path).constData(), "wbe");
        if (!m_file)
            return false;
        if (setjmp(m_err.jump))
            return !(m_failed = true);
        jpeg_stdio_dest(&m_cinfo, m_file);
        m_cinfo.image_width = JDIMENSION(size.width());
        m_cinfo.image_height = JDIMENSION(size.height());
        m_cinfo.input_components = 3;
        m_cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&m_cinfo);
        jpeg_set_quality(&m_cinfo, kJpegQuality, TRUE);
        jpeg_start_compress(&m_cinfo, TRUE);
        return true;
    }

    bool writeRows(const uchar *rows, int count, qsizetype stride) override
    {
        if (m_failed || !m_file)
            return false;
        if (setjmp(m_err.jump))
            return !(m_failed = true);
        for (int i = 0; i < count; ++i) {
            JSAMPROW row = const_cast<JSAMPROW>(rows + stride * i);
            jpeg_write_scanlines(&m_cinfo, &row, 1);
        }
        return true;
    }

    bool finish() override
    {
        if (m_failed || !m_file)
            return false;
        if (setjmp(m_err.jump))
            return !(m_failed = true);
        jpeg_finish_compress(&m_cinfo);
        const bool written = std::fflush(m_file) == 0 && !std::ferror(m_file);
        const bool closed = std::fclose(m_file) == 0;
        m_file = nullptr;
        return written && closed;
    }

private:
    jpeg_compress_struct m_cinfo{};
    jpeg::ErrorManager m_err{};
    std::FILE *m_file = nullptr;
    bool m_failed = false;
};

} // namespace

std::unique_ptr<PictureWriter> makeJpegWriter()
{
    return std::make_unique<JpegPictureWriter>();
}

} // namespace exporting
