#pragma once
// The print zone: first and last column, first and last row, each 0..25 ("A".."Z").
// The pickers keep first < last and last - first <= 13 in both directions, so a zone is
// 2 to 14 tiles wide and high; the picker the user moved wins and the other gives way.

namespace printing {

constexpr int kMaxZoneSpan = 13;   // last - first at most: 14 tiles

struct Span {
    int first = 0;
    int last = 13;
    int count() const { return last - first + 1; }
    bool operator==(const Span &) const = default;
};

// The user chose a new first letter (index 0..25) while `span` held the previous pair.
Span firstChanged(Span span, int first);
// The user chose a new last letter.
Span lastChanged(Span span, int last);
// The span kept within the first `count` letters of a sheet whose tiles fill fewer than 26
// (a sheet served by IIIF); a sheet of a single column or row gives a span of one.
Span withinCount(Span span, int count);

} // namespace printing
