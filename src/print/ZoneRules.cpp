#include "print/ZoneRules.h"

namespace printing {

Span firstChanged(Span span, int first)
{
    span.first = first;
    if (span.first >= span.last)
        span.first = span.last - 1;
    if (span.last > span.first + kMaxZoneSpan)
        span.last = span.first + kMaxZoneSpan;
    return span;
}

Span lastChanged(Span span, int last)
{
    span.last = last;
    if (span.last <= span.first)
        span.last = span.first + 1;
    if (span.first < span.last - kMaxZoneSpan)
        span.first = span.last - kMaxZoneSpan;
    return span;
}

Span withinCount(Span span, int count)
{
    if (count < 1)
        return span;
    if (span.last > count - 1)
        span.last = count - 1;
    if (span.first >= span.last)
        span.first = span.last > 0 ? span.last - 1 : 0;
    return span;
}

} // namespace printing
