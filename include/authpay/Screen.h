#pragma once
// The screen object: the size of the whole screen and the application-wide cursor.
#include <QSize>

enum class TCursor { crDefault, crHourGlass, crArrow };

class TScreen {
public:
    TScreen() = default;
    // Width and height of the primary screen, unless a fixed size was set (hosts that run
    // without a display, and tests, fix it).
    int Width() const;
    int Height() const;
    void SetFixedSize(QSize size) { fixed_ = size; }

    // Setting crHourGlass shows the busy cursor until the cursor is set back to crDefault.
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);

private:
    QSize fixed_;
    TCursor cursor_ = TCursor::crDefault;
};
