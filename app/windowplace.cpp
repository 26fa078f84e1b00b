#include "app/windowplace.h"

namespace WindowPlace {

Place place(const QRect &remembered, bool rememberedMaximised, const QList<QRect> &screens, const QMargins &frame,
            const QSize &preferred)
{
    if (screens.isEmpty())
        return {remembered.isValid() ? remembered : QRect(QPoint(), preferred), rememberedMaximised};
    if (!remembered.isValid()) {
        const QRect room = screens.first() - frame;
        if (preferred.width() > room.width() || preferred.height() > room.height())
            return {room, true};
        QRect rect(QPoint(), preferred);
        rect.moveCenter(room.center());
        return {rect, false};
    }
    // The screen that shows most of the window keeps it; a window on no
    // screen at all (a monitor since unplugged) comes back to the primary.
    QRect room = screens.first() - frame;
    qint64 shown = 0;
    for (const QRect &screen : screens) {
        const QRect common = screen.intersected(remembered + frame);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > shown) {
            shown = area;
            room = screen - frame;
        }
    }
    // Whole within that screen: no larger than it, moved in where it sticks out.
    QRect rect(remembered.topLeft(), remembered.size().boundedTo(room.size()));
    if (shown == 0)
        rect.moveCenter(room.center());
    rect.moveLeft(qBound(room.left(), rect.left(), room.right() + 1 - rect.width()));
    rect.moveTop(qBound(room.top(), rect.top(), room.bottom() + 1 - rect.height()));
    return {rect, rememberedMaximised};
}

} // namespace WindowPlace
