#include "export/PictureWriter.h"

namespace exporting {

std::unique_ptr<PictureWriter> makeWriter(Format format, const WriterOptions &options)
{
    switch (format) {
    case Format::Jpeg:
        return makeJpegWriter();
    case Format::Tiff:
        return makeTiffWriter(options);
    case Format::Png:
        return makePngWriter();
    }
    return {};
}

} // namespace exporting
