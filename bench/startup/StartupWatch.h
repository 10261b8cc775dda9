// Watches an X display for a program's main window: when it is mapped and
// when it is first drawn into. With no window manager every top-level window
// is a child of the root window, so watching the root's children sees them
// all. Drawing is watched on the root window with the DAMAGE extension: the
// root's damage covers drawing into every window on the screen, and it is set
// up before the program starts, so no drawing can come before the watch.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;

// Which mapped window counts as the main window: the first one that is not
// override-redirect (menus, tooltips), at least minimumSize wide and high, and
// whose title or WM_CLASS contains `match` when that is not empty.
struct WindowChoice {
    int minimumSize = 100;
    std::string match;
};

class StartupWatch {
public:
    // Connects to $DISPLAY and watches it from the moment this returns.
    // Throws std::runtime_error when there is no display or no DAMAGE.
    StartupWatch(WindowChoice choice, bool verbose);

    int FileDescriptor() const;
    bool ConnectionBroken() const;

    // Handles every event that has arrived, each as having happened at `now`.
    void HandleEvents(Clock::time_point now);

    // Times in verbose output are counted from here.
    void SetOrigin(Clock::time_point origin) { origin_ = origin; }

    // Times of the current main window. A main window that is unmapped is
    // no longer on screen: the next window that qualifies takes its place
    // (Qt re-creates a shown window when it switches it to OpenGL drawing).
    std::optional<Clock::time_point> MappedAt() const { return mappedAt_; }
    std::optional<Clock::time_point> PaintedAt() const { return paintedAt_; }
    // One line per main window that went from the screen, with its times.
    const std::vector<std::string>& Replaced() const { return replaced_; }

private:
    // A top-level window's place on the screen.
    struct Window {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool overrideRedirect = false;
    };

    void OnCreate(const xcb_create_notify_event_t& event, Clock::time_point now);
    void OnConfigure(const xcb_configure_notify_event_t& event, Clock::time_point now);
    void OnMap(const xcb_map_notify_event_t& event, Clock::time_point now);
    void OnDamage(const xcb_generic_event_t& event, Clock::time_point now);
    void DropMainWindow(Clock::time_point now);
    bool Matches(xcb_window_t window);
    std::string Describe(xcb_window_t window);
    std::string Property(xcb_window_t window, xcb_atom_t property);
    void Log(Clock::time_point now, const std::string& text) const;
    std::string Offset(Clock::time_point time) const;

    struct Disconnect {
        void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
    };
    std::unique_ptr<xcb_connection_t, Disconnect> connection_;
    xcb_window_t root_ = 0;
    uint8_t damageEventBase_ = 0;
    xcb_atom_t netWmName_ = 0;
    WindowChoice choice_;
    bool verbose_;
    Clock::time_point origin_ = Clock::now();

    std::map<xcb_window_t, Window> windows_;
    xcb_window_t mainWindow_ = 0;
    Window mainPlace_;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    // The main window was moved before it was drawn into: the server copies
    // its undrawn contents to the new place, and the next damage report is
    // that copy, not the program's drawing.
    bool moveCopyExpected_ = false;
    std::optional<Clock::time_point> mappedAt_;
    std::optional<Clock::time_point> paintedAt_;
    std::vector<std::string> replaced_;
};
