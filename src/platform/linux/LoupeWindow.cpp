#include "platform/linux/LoupeWindow.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>
#include <cmath>

namespace tarnlet::linux_desktop {

namespace {

constexpr int kLoupeSize = LoupeWindow::kCells * LoupeWindow::kCellSize;
constexpr int kLabelHeight = 22;
constexpr int kLabelGap = 6;
// How often a grab of the keyboard that another client holds is tried again.
constexpr int kGrabRetryMilliseconds = 50;

Qt::WindowFlags loupeFlags() {
    Qt::WindowFlags flags = Qt::Window;
    flags |= Qt::FramelessWindowHint;
    flags |= Qt::WindowStaysOnTopHint;
    flags |= Qt::X11BypassWindowManagerHint;
    flags |= Qt::NoDropShadowWindowHint;
    return flags;
}

// The scale between a screenshot's pixels and the logical pixels of its screen.
double pixelRatio(const LoupeWindow::Shot& shot) {
    return shot.geometry.width() > 0 ? double(shot.image.width()) / shot.geometry.width() : 1.0;
}

QPoint imagePixel(const LoupeWindow::Shot& shot, const QPointF& global) {
    const double ratio = pixelRatio(shot);
    return QPoint(static_cast<int>(std::floor((global.x() - shot.geometry.x()) * ratio)),
                  static_cast<int>(std::floor((global.y() - shot.geometry.y()) * ratio)));
}

}  // namespace

LoupeWindow::LoupeWindow(std::vector<Shot> shots) : QWidget(nullptr, loupeFlags()), m_shots(std::move(shots)) {
    for (const Shot& shot : m_shots) m_area = m_area.united(shot.geometry);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::BlankCursor);
    setWindowTitle(QStringLiteral("Tarnlet"));
    m_grabRetry.setInterval(kGrabRetryMilliseconds);
    QObject::connect(&m_grabRetry, &QTimer::timeout, this, [this] { grabKeyboardSoon(); });
}

LoupeWindow::~LoupeWindow() {
    if (m_holdsKeyboard) releaseKeyboard();
}

void LoupeWindow::showLoupe() {
    setGeometry(m_area);
    show();
    moveAim(QCursor::pos());
    grabKeyboardSoon();
}

void LoupeWindow::grabKeyboardSoon() {
    // The window is override-redirect, so it is viewable as soon as the server has mapped it.
    QWindow* window = windowHandle();
    m_holdsKeyboard = window && window->setKeyboardGrabEnabled(true);
    if (m_holdsKeyboard) m_grabRetry.stop();
    else if (!m_grabRetry.isActive()) m_grabRetry.start();
}

const LoupeWindow::Shot* LoupeWindow::shotAt(const QPointF& global) const {
    for (const Shot& shot : m_shots)
        if (QRectF(shot.geometry).contains(global)) return &shot;
    return nullptr;
}

std::optional<QColor> LoupeWindow::colorAt(const QPointF& global) const {
    const Shot* shot = shotAt(global);
    if (!shot) return std::nullopt;
    const QPoint pixel = imagePixel(*shot, global);
    if (!shot->image.valid(pixel)) return std::nullopt;
    return shot->image.pixelColor(pixel);
}

QRect LoupeWindow::loupeBounds(const QPoint& local) {
    const QRect loupe(local.x() - kLoupeSize / 2, local.y() - kLoupeSize / 2, kLoupeSize, kLoupeSize);
    return loupe.adjusted(-2, -2, 2, kLabelGap + kLabelHeight + 2);
}

void LoupeWindow::moveAim(const QPoint& global) {
    const QPoint origin = m_area.topLeft();
    if (m_hasAim) update(loupeBounds(m_aim - origin));
    m_aim = global;
    m_hasAim = true;
    update(loupeBounds(m_aim - origin));
}

void LoupeWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    const QPoint origin = m_area.topLeft();
    painter.fillRect(event->rect(), Qt::black);
    for (const Shot& shot : m_shots) painter.drawImage(QRectF(shot.geometry.translated(-origin)), shot.image);
    if (!m_hasAim) return;

    // The pixels around the aim, one cell each; beyond the screens the cells stay dark.
    QImage cells(kCells, kCells, QImage::Format_RGB32);
    cells.fill(QColor(40, 40, 40));
    if (const Shot* shot = shotAt(m_aim)) {
        const QPoint centre = imagePixel(*shot, m_aim);
        for (int row = 0; row < kCells; ++row) {
            for (int column = 0; column < kCells; ++column) {
                const QPoint pixel = centre + QPoint(column - kCells / 2, row - kCells / 2);
                if (shot->image.valid(pixel)) cells.setPixelColor(column, row, shot->image.pixelColor(pixel));
            }
        }
    }
    const QPoint local = m_aim - origin;
    const QRect loupe(local.x() - kLoupeSize / 2, local.y() - kLoupeSize / 2, kLoupeSize, kLoupeSize);
    QPainterPath circle;
    circle.addEllipse(QRectF(loupe));
    painter.save();
    painter.setClipPath(circle, Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRectF(loupe), cells);
    const QRect centreCell(loupe.x() + (kCells / 2) * kCellSize, loupe.y() + (kCells / 2) * kCellSize, kCellSize,
                           kCellSize);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(centreCell.adjusted(-1, -1, 0, 0));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(centreCell.adjusted(-2, -2, 1, 1));
    painter.restore();

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 230), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(loupe).adjusted(1, 1, -1, -1));

    const QColor aimed = cells.pixelColor(kCells / 2, kCells / 2);
    const QString code = aimed.name(QColor::HexRgb).toUpper();
    const QRect label(loupe.center().x() - 40, loupe.bottom() + kLabelGap, 80, kLabelHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 200));
    painter.drawRoundedRect(QRectF(label), 6, 6);
    painter.setPen(Qt::white);
    painter.drawText(label, Qt::AlignCenter, code);
}

void LoupeWindow::mouseMoveEvent(QMouseEvent* event) { moveAim(event->globalPosition().toPoint()); }

// The callbacks are called through copies: the owner may clear them, or close the window, from
// inside.
void LoupeWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (const std::optional<QColor> color = colorAt(event->globalPosition())) {
            if (auto pick = onPick) pick(*color);
            return;
        }
    }
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
        if (auto cancel = onCancel) cancel();
    }
}

void LoupeWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape) return;
    if (auto cancel = onCancel) cancel();
}

}  // namespace tarnlet::linux_desktop
