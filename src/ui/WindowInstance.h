// SPDX-License-Identifier: MIT
#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace alerts::ui {

// The one instance of a secondary window: created (loaded) the first time it is
// made visible, destroyed (unloaded) on request. Unloading a window that is not
// loaded does nothing; in particular it never creates the window first.
template <class Window> class WindowInstance final {
public:
    using Factory = std::function<std::unique_ptr<Window>()>;

    WindowInstance() : m_factory([] { return std::make_unique<Window>(); }) {}
    explicit WindowInstance(Factory factory) : m_factory(std::move(factory)) {}
    WindowInstance(const WindowInstance&) = delete;
    WindowInstance& operator=(const WindowInstance&) = delete;
    ~WindowInstance() = default;

    [[nodiscard]] bool isLoaded() const { return m_window != nullptr; }
    [[nodiscard]] Window* get() const { return m_window.get(); }

    // Loading runs the window's load handling (its constructor) once.
    Window& load() {
        if (!m_window) {
            m_window = m_factory();
        }
        return *m_window;
    }

    // Visible = true: loads the window if needed; an already visible window is left as it is.
    Window& show() {
        Window& window = load();
        if (!window.isVisible()) {
            window.show();
        }
        return window;
    }

    // The window may be inside one of its own handlers (its OK button, its close box),
    // so it goes away at once from the user's view and its timers stop now, while the
    // object itself is deleted once control is back in the event loop.
    void unload() {
        if (!m_window) {
            return;
        }
        Window* window = m_window.release();
        const auto timers = window->template findChildren<QTimer*>();
        for (QTimer* timer : timers) {
            timer->stop();
        }
        window->hide();
        window->deleteLater();
    }

private:
    Factory m_factory;
    std::unique_ptr<Window> m_window;
};

} // namespace alerts::ui
