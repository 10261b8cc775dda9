#include "StartupWatch.h"

#include <xcb/damage.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> Wrap(T* reply) {
    return Reply<T>(reply, &std::free);
}

std::string Hex(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", id);
    return text;
}

// Marks every rectangle of a damage report but the last.
constexpr uint8_t kMoreRectangles = 0x80;

bool Overlap(int x, int y, int width, int height, const xcb_rectangle_t& r) {
    return r.x < x + width && x < r.x + r.width && r.y < y + height && y < r.y + r.height;
}

}  // namespace

StartupWatch::StartupWatch(WindowChoice choice, bool verbose)
    : choice_(std::move(choice)), verbose_(verbose) {
    int screenNumber = 0;
    connection_.reset(xcb_connect(nullptr, &screenNumber));
    if (xcb_connection_has_error(connection_.get()))
        throw std::runtime_error("cannot connect to the X display $DISPLAY");
    xcb_connection_t* c = connection_.get();
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    if (screens.rem == 0) throw std::runtime_error("the X display has no such screen");
    root_ = screens.data->root;
    screenWidth_ = screens.data->width_in_pixels;
    screenHeight_ = screens.data->height_in_pixels;

    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c, &xcb_damage_id);
    if (damage == nullptr || !damage->present)
        throw std::runtime_error("the X server has no DAMAGE extension");
    damageEventBase_ = damage->first_event;
    // The extension works only for clients that have announced their version.
    Wrap(xcb_damage_query_version_reply(
        c, xcb_damage_query_version(c, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
        nullptr));

    auto atom = Wrap(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 12, "_NET_WM_NAME"), nullptr));
    if (atom) netWmName_ = atom->atom;

    // Creation, moves and size changes, mapping and destruction of the root's children.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    auto error = Wrap(xcb_request_check(
        c, xcb_change_window_attributes_checked(c, root_, XCB_CW_EVENT_MASK, &mask)));
    if (error) throw std::runtime_error("cannot watch the root window's children");
    // Every drawing operation anywhere on the screen, with its rectangle in
    // screen coordinates. A window with no background (all of Qt's) is not
    // drawn by the server when mapped, so its first report is the program's
    // own drawing; a window with a background is drawn when it is mapped.
    error = Wrap(
        xcb_request_check(c, xcb_damage_create_checked(c, xcb_generate_id(c), root_,
                                                       XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES)));
    if (error) throw std::runtime_error("cannot watch drawing on the screen");
    // The new watch reports the whole screen at once; that is nobody's drawing.
    while (auto event = Wrap(xcb_poll_for_event(c))) {
    }
}

int StartupWatch::FileDescriptor() const { return xcb_get_file_descriptor(connection_.get()); }

bool StartupWatch::ConnectionBroken() const {
    return xcb_connection_has_error(connection_.get()) != 0;
}

void StartupWatch::HandleEvents(Clock::time_point now) {
    while (auto event = Wrap(xcb_poll_for_event(connection_.get()))) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == 0) {
            // A window can go before its properties are read; that is harmless.
            if (verbose_) {
                const auto* error = reinterpret_cast<const xcb_generic_error_t*>(event.get());
                Log(now, "X error " + std::to_string(error->error_code) + " for resource " +
                             std::to_string(error->resource_id));
            }
        } else if (type == XCB_CREATE_NOTIFY) {
            OnCreate(*reinterpret_cast<const xcb_create_notify_event_t*>(event.get()), now);
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            OnConfigure(*reinterpret_cast<const xcb_configure_notify_event_t*>(event.get()), now);
        } else if (type == XCB_MAP_NOTIFY) {
            OnMap(*reinterpret_cast<const xcb_map_notify_event_t*>(event.get()), now);
        } else if (type == XCB_UNMAP_NOTIFY) {
            const auto& e = *reinterpret_cast<const xcb_unmap_notify_event_t*>(event.get());
            if (verbose_ && windows_.count(e.window) != 0) Log(now, "unmap " + Hex(e.window));
            if (e.window == mainWindow_) DropMainWindow(now);
        } else if (type == XCB_DESTROY_NOTIFY) {
            const auto& e = *reinterpret_cast<const xcb_destroy_notify_event_t*>(event.get());
            if (verbose_ && windows_.count(e.window) != 0) Log(now, "destroy " + Hex(e.window));
            windows_.erase(e.window);
            if (e.window == mainWindow_) DropMainWindow(now);
        } else if (type == damageEventBase_ + XCB_DAMAGE_NOTIFY) {
            OnDamage(*event, now);
        }
    }
}

void StartupWatch::OnCreate(const xcb_create_notify_event_t& event, Clock::time_point now) {
    if (event.parent != root_) return;
    const Window window{event.x, event.y, event.width, event.height, event.override_redirect != 0};
    windows_[event.window] = window;
    if (verbose_) {
        char text[96];
        std::snprintf(text, sizeof text, "create 0x%x %dx%d+%d+%d%s", event.window, window.width,
                      window.height, window.x, window.y,
                      window.overrideRedirect ? " override-redirect" : "");
        Log(now, text);
    }
}

void StartupWatch::OnConfigure(const xcb_configure_notify_event_t& event, Clock::time_point now) {
    auto it = windows_.find(event.window);
    if (it == windows_.end()) return;
    const Window before = it->second;
    it->second = {event.x, event.y, event.width, event.height, event.override_redirect != 0};
    if (verbose_) {
        char text[96];
        std::snprintf(text, sizeof text, "configure 0x%x %dx%d+%d+%d", event.window, event.width,
                      event.height, event.x, event.y);
        Log(now, text);
    }
    if (event.window != mainWindow_) return;
    mainPlace_ = it->second;
    const bool moved = before.x != event.x || before.y != event.y;
    const xcb_rectangle_t screen{0, 0, static_cast<uint16_t>(screenWidth_),
                                 static_cast<uint16_t>(screenHeight_)};
    if (moved && !paintedAt_ && Overlap(before.x, before.y, before.width, before.height, screen))
        moveCopyExpected_ = true;
}

void StartupWatch::OnMap(const xcb_map_notify_event_t& event, Clock::time_point now) {
    auto it = windows_.find(event.window);
    if (it == windows_.end()) return;
    const Window& window = it->second;
    if (verbose_) {
        char text[64];
        std::snprintf(text, sizeof text, "map 0x%x %dx%d ", event.window, window.width,
                      window.height);
        Log(now, text + Describe(event.window));
    }
    if (mainWindow_ != 0 || window.overrideRedirect) return;
    if (window.width < choice_.minimumSize || window.height < choice_.minimumSize) return;
    if (!choice_.match.empty() && !Matches(event.window)) return;
    mainWindow_ = event.window;
    mainPlace_ = window;
    mappedAt_ = now;
}

void StartupWatch::OnDamage(const xcb_generic_event_t& event, Clock::time_point now) {
    const auto& e = reinterpret_cast<const xcb_damage_notify_event_t&>(event);
    if (verbose_) {
        char text[96];
        std::snprintf(text, sizeof text, "drawn %ux%u+%d+%d%s", e.area.width, e.area.height,
                      e.area.x, e.area.y, (e.level & kMoreRectangles) != 0 ? " (more)" : "");
        Log(now, text);
    }
    // Only the main window is mapped over its place, so drawing there after
    // it was mapped is drawing into it (or into a window of the program's on
    // top of it).
    const Window& w = mainPlace_;
    const bool onMainWindow = Overlap(w.x, w.y, w.width, w.height, e.area);
    if (moveCopyExpected_) {
        if ((e.level & kMoreRectangles) == 0) moveCopyExpected_ = false;
        if (onMainWindow) return;
    }
    if (mappedAt_ && !paintedAt_ && onMainWindow) paintedAt_ = now;
}

void StartupWatch::DropMainWindow(Clock::time_point now) {
    replaced_.push_back("main window " + Hex(mainWindow_) + " mapped at " + Offset(*mappedAt_) +
                        (paintedAt_ ? ", drawn at " + Offset(*paintedAt_) : ", never drawn") +
                        ", went at " + Offset(now));
    mainWindow_ = 0;
    mappedAt_.reset();
    paintedAt_.reset();
    moveCopyExpected_ = false;
}

bool StartupWatch::Matches(xcb_window_t window) {
    for (xcb_atom_t property :
         {xcb_atom_t(XCB_ATOM_WM_NAME), netWmName_, xcb_atom_t(XCB_ATOM_WM_CLASS)}) {
        if (property != 0 && Property(window, property).find(choice_.match) != std::string::npos)
            return true;
    }
    return false;
}

std::string StartupWatch::Describe(xcb_window_t window) {
    std::string text = "title \"" + Property(window, netWmName_) + "\" class \"";
    for (char ch : Property(window, XCB_ATOM_WM_CLASS)) text += ch == '\0' ? ',' : ch;
    return text + "\"";
}

// A text property as raw bytes; WM_CLASS's two parts are separated by a NUL.
std::string StartupWatch::Property(xcb_window_t window, xcb_atom_t property) {
    if (property == 0) return {};
    xcb_connection_t* c = connection_.get();
    auto reply = Wrap(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
    if (!reply || reply->format != 8) return {};
    std::string value(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      static_cast<size_t>(xcb_get_property_value_length(reply.get())));
    while (!value.empty() && value.back() == '\0') value.pop_back();
    return value;
}

std::string StartupWatch::Offset(Clock::time_point time) const {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f s",
                  std::chrono::duration<double>(time - origin_).count());
    return text;
}

void StartupWatch::Log(Clock::time_point now, const std::string& text) const {
    const double seconds = std::chrono::duration<double>(now - origin_).count();
    std::fprintf(stderr, "%+9.4f %s\n", seconds, text.c_str());
}
