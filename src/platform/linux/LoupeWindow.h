#pragma once
// The colour loupe's window: it covers every screen with a screenshot of them taken just before it
// opened, so the screen looks still while the user aims, and draws a magnifier of the pixels around
// the pointer with the code of the one under it. The pointer itself is hidden: the magnifier's
// outlined centre cell is the aim.
//
// A left click picks the colour of the pixel under the pointer as the screenshot has it; Escape, a
// right click, or a click where no screen is cancels. The window is override-redirect, so that no window manager frames it or
// keeps it to one screen, and it takes the keyboard with a grab because it never has the focus.
// Another client's grab (the key of the shortcut that opened the loupe may still be held) delays
// that: the grab is tried again until it is taken or the window closes. Main thread only.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace tarnlet::linux_desktop {

class LoupeWindow : public QWidget {
public:
    // One screen's picture: where the screen is (X11 coordinates in logical pixels) and its pixels.
    struct Shot {
        QRect geometry;
        QImage image;
    };

    explicit LoupeWindow(std::vector<Shot> shots);
    ~LoupeWindow() override;

    // Maps the window over every screen and takes the keyboard.
    void showLoupe();
    bool holdsKeyboard() const { return m_holdsKeyboard; }
    // The colour the screenshot has at this point (X11 coordinates in logical pixels); none off every
    // screen.
    std::optional<QColor> colorAt(const QPointF& global) const;

    std::function<void(const QColor&)> onPick;
    std::function<void()> onCancel;

    // The magnifier shows this many pixels across, each this many logical pixels wide.
    static constexpr int kCells = 15;
    static constexpr int kCellSize = 9;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void grabKeyboardSoon();
    // Where the magnifier and its label are drawn for a pointer at this window-local point.
    static QRect loupeBounds(const QPoint& local);
    const Shot* shotAt(const QPointF& global) const;
    void moveAim(const QPoint& global);

    std::vector<Shot> m_shots;
    QRect m_area;        // the union of the screens, X11 logical coordinates
    QPoint m_aim;        // the pointer, X11 logical coordinates
    bool m_hasAim = false;
    bool m_holdsKeyboard = false;
    QTimer m_grabRetry;
};

}  // namespace tarnlet::linux_desktop
