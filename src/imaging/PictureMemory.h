#pragma once
// Memory for large pictures (decoded tiles, overviews of a sheet). Memory the process takes
// anew is paid for page by page the first time it is written, and on a virtual machine each
// of those faults costs about as much as decoding a few hundred pixels: a picture of 33 MB
// written once costs more than decoding the tiles that fill it. So large pictures are:
//   - kept for the next picture of the same size when they are let go (up to a bound), so
//     that a view opened again, a pan, a second composition write memory already theirs;
//   - made, when new and of several megabytes, of the system's large pages (2 MB each),
//     a few faults instead of thousands.
// Small pictures are left to the ordinary allocator, which already reuses them.

#include <QImage>
#include <QSize>

namespace imaging {

// A picture of `size` and `format` whose pixels are not set (callers write or fill them
// all); null when memory is short. Copies of it are ordinary QImage copies.
QImage uninitialisedPicture(QSize size, QImage::Format format);

// Large pictures let go and kept for reuse: at most this many bytes in all.
constexpr qsizetype kKeptPictureBytes = 48 * 1024 * 1024;
// Pictures below this size come from the ordinary allocator.
constexpr qsizetype kLargePictureBytes = 256 * 1024;

// The bytes kept for reuse now (for tests and benchmarks).
qsizetype keptPictureBytes();
// Gives the kept memory back to the system.
void releaseKeptPictures();

} // namespace imaging
