#include "platform/linux/ColorLoupe.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <utility>
#include <vector>

#include "platform/MainQueue.h"
#include "platform/linux/LoupeWindow.h"

namespace tarnlet::linux_desktop {

namespace {

std::vector<LoupeWindow::Shot> captureScreens() {
    std::vector<LoupeWindow::Shot> shots;
    if (!qGuiApp) return shots;
    for (QScreen* screen : QGuiApplication::screens()) {
        QImage image = screen->grabWindow(0).toImage();
        if (!image.isNull()) shots.push_back({screen->geometry(), std::move(image)});
    }
    return shots;
}

}  // namespace

ColorLoupe::ColorLoupe(MainQueue& queue) : m_queue(queue) {}

ColorLoupe::~ColorLoupe() {
    if (isOpen()) finish(std::nullopt);
}

bool ColorLoupe::isReady() const { return isOpen() && m_window && m_window->holdsKeyboard(); }

void ColorLoupe::show(std::function<void(std::optional<SampledColor>)> completion) {
    if (isOpen()) finish(std::nullopt);
    m_completion = std::move(completion);
    // Taken before the window shows, which would otherwise cover what the user wants to sample.
    std::vector<LoupeWindow::Shot> shots = captureScreens();
    if (shots.empty()) {
        finish(std::nullopt);
        return;
    }
    m_window = std::make_unique<LoupeWindow>(std::move(shots));
    m_window->onPick = [this](const QColor& color) {
        // From the 8-bit components: QColor's own fractions are single precision.
        finish(SampledColor{color.red() / 255.0, color.green() / 255.0, color.blue() / 255.0, 1.0, true});
    };
    m_window->onCancel = [this] { finish(std::nullopt); };
    m_window->showLoupe();
}

void ColorLoupe::finish(std::optional<SampledColor> color) {
    if (m_window) {
        // Events already queued for the window must not reach this loupe, nor one opened later.
        m_window->onPick = nullptr;
        m_window->onCancel = nullptr;
        m_window->hide();
        // This may run inside one of the window's own event handlers.
        m_window.release()->deleteLater();
    }
    // The loupe is gone before its owner hears of it, so the completion may open the next one.
    m_queue.post([completion = std::exchange(m_completion, nullptr), color] {
        if (completion) completion(color);
    });
}

}  // namespace tarnlet::linux_desktop
