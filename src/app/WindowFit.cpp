#include "app/WindowFit.h"

#include <algorithm>

namespace windowfit {

QSize fittedClient(QSize client, QSize frame, QRect available)
{
    if (available.isEmpty())
        return client;
    const QSize room(std::max(1, available.width() - frame.width()), std::max(1, available.height() - frame.height()));
    return client.boundedTo(room);
}

QPoint keptInside(QRect frame, QRect available)
{
    if (available.isEmpty())
        return frame.topLeft();
    const auto along = [](int at, int length, int start, int room) {
        return std::max(start, std::min(at, start + room - length));
    };
    return {along(frame.x(), frame.width(), available.x(), available.width()),
            along(frame.y(), frame.height(), available.y(), available.height())};
}

} // namespace windowfit
