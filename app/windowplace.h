#pragma once

// Where the main window opens: within a screen's available area, at the
// size and place remembered from the last run when that is still on a
// screen, otherwise at its preferred size, or maximised when that does not
// fit.

#include <QList>
#include <QMargins>
#include <QRect>

namespace WindowPlace {

struct Place {
    QRect rect;             // the window's contents, without the frame
    bool maximised = false; // shown maximised over `rect`'s screen
};

// `remembered` is the normal (not maximised) geometry saved at the last
// close, null when there is none; `screens` the available areas of the
// screens, the primary first; `frame` the room the window manager's frame
// takes around the contents.
Place place(const QRect &remembered, bool rememberedMaximised, const QList<QRect> &screens, const QMargins &frame,
            const QSize &preferred);

} // namespace WindowPlace
