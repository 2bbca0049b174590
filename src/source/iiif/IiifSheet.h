#pragma once
// A sheet's address as the added maps keep it, for a canvas whose picture is not simply an
// image service's whole image: the image service's base, or a plain picture's own address
// marked "#image", followed where the canvas selects a part by "xywh=x,y,w,h" (in pixels of
// the full picture) and "rotation=90" (clockwise), joined by "&" after the "#", as media
// fragments are written. A base without "#" is a plain image service, as ever.

#include "source/iiif/IiifPlan.h"

#include <QString>

namespace iiif {

struct SheetAddress {
    QString url;            // the image service's base, or the picture's address
    bool picture = false;   // a plain picture, asked as it is
    Selector selector;

    QString text() const;
    static SheetAddress parse(const QString &text);
    bool operator==(const SheetAddress &) const = default;
};

} // namespace iiif
