// Checks the start-up probe with what Qt does to a program's main window:
//   1. maps a 50 x 50 window and fills it at once (too small to count);
//   2. maps a 300 x 300 window without background and destroys it 100 ms
//      later, undrawn (Qt re-creates a shown window for OpenGL drawing);
//   3. maps another such window, moves it at once (Qt centres it) and fills
//      it DELAY_MS later.
// The probe must report the third window: mapped at least 100 ms after the
// start, drawn into at least DELAY_MS after it was mapped.
//
//   bench_late_painter DELAY_MS
//
// Ends on SIGTERM, or by itself 60 seconds later.
#include <poll.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

struct Disconnect {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

xcb_window_t MapWindow(xcb_connection_t* c, const xcb_screen_t& screen, int16_t x, uint16_t size,
                       bool withBackground) {
    const xcb_window_t window = xcb_generate_id(c);
    // No background, as Qt's windows: the server draws nothing when mapping it.
    const uint32_t values[] = {withBackground ? screen.white_pixel : 0u, XCB_EVENT_MASK_EXPOSURE};
    const uint32_t mask =
        (withBackground ? XCB_CW_BACK_PIXEL : XCB_CW_BACK_PIXMAP) | XCB_CW_EVENT_MASK;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen.root, x, 100, size, size, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen.root_visual, mask, values);
    xcb_map_window(c, window);
    xcb_flush(c);
    return window;
}

void Fill(xcb_connection_t* c, const xcb_screen_t& screen, xcb_window_t window, uint16_t size) {
    const xcb_gcontext_t gc = xcb_generate_id(c);
    const uint32_t foreground = screen.black_pixel;
    xcb_create_gc(c, gc, window, XCB_GC_FOREGROUND, &foreground);
    const xcb_rectangle_t all{0, 0, size, size};
    xcb_poly_fill_rectangle(c, window, gc, 1, &all);
    xcb_free_gc(c, gc);
    xcb_flush(c);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_late_painter DELAY_MS\n");
        return 2;
    }
    const int delayMs = std::atoi(argv[1]);
    std::unique_ptr<xcb_connection_t, Disconnect> connection(xcb_connect(nullptr, nullptr));
    xcb_connection_t* c = connection.get();
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "bench_late_painter: no X display\n");
        return 1;
    }
    const xcb_screen_t& screen = *xcb_setup_roots_iterator(xcb_get_setup(c)).data;

    const xcb_window_t small = MapWindow(c, screen, 600, 50, true);
    Fill(c, screen, small, 50);
    const xcb_window_t first = MapWindow(c, screen, 100, 300, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    xcb_destroy_window(c, first);
    const xcb_window_t main = MapWindow(c, screen, 100, 300, false);
    // Moved before it is drawn, as Qt programs centre their windows: the
    // server copies the undrawn contents, which is no drawing of ours.
    const uint32_t place[] = {400, 300};
    xcb_configure_window(c, main, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, place);
    xcb_flush(c);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    Fill(c, screen, main, 300);

    // Serves the connection until stopped, so the windows stay.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end && !xcb_connection_has_error(c)) {
        pollfd x{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&x, 1, 1000);
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) std::free(event);
    }
    return 0;
}
