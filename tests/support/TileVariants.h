#pragma once
// JPEG tiles of every kind a server or a backup may hold, written with libjpeg by the tests:
// colour, grey, CMYK (plain and Adobe's inverted), progressive, and broken ones that look
// whole at a glance.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <vector>

namespace testing_support {

enum class TileKind {
    Rgb,
    Grey,
    Cmyk,              // plain inks, no Adobe marker
    AdobeCmyk,         // inverted inks with an Adobe marker
    Progressive,
    TruncatedWithEnd,  // the first half of a tile, then FF D9
    ClaimsHuge,        // an ~11 KB file whose header claims 8192 x 8192
    TooWide,           // a real 8193 x 1 picture
};

struct TileVariant {
    TileKind kind;
    const char *name;
    bool valid;   // decodes whole within bounds
};
const std::vector<TileVariant> &tileVariants();

// The picture every colour variant encodes (its grey variant is its grey twin).
QImage variantPicture();
QByteArray tileBytes(TileKind kind);

// A uniform grey JPEG of the given size, written row by row (no full-size picture in memory).
QByteArray plainJpeg(int width, int height);

// The largest difference of one channel between two pictures of the same size.
int largestDifference(const QImage &a, const QImage &b);

} // namespace testing_support
