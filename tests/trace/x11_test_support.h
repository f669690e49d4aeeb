// X11 helpers for the POSIX tests: a private Xvfb server, titled windows,
// and the look-ups and pointer clicks that drive the real viewer. libX11 and
// libXtst are loaded at run time, like the library does.
#ifndef UTIL_TESTS_TRACE_X11_TEST_SUPPORT_H
#define UTIL_TESTS_TRACE_X11_TEST_SUPPORT_H

#include <string>
#include <vector>

namespace trace_test {
namespace x11 {

/// Starts Xvfb on a display number it picks itself (-displayfd, so parallel
/// runs never collide) and sets DISPLAY. Returns false when Xvfb cannot run.
bool startServer(int width, int height);
/// Ends the server started above, if any.
void stopServer();

/// A mapped top-level window titled `title` (WM_NAME), or 0.
unsigned long createWindow(const std::string& title);
void destroyWindow(unsigned long window);

struct Geometry {
    int x;
    int y;
    int width;
    int height;
};

/// Top-level windows (children of the root) whose WM_NAME starts with prefix.
std::vector<unsigned long> windowsTitled(const std::string& prefix);
/// The window's title, or an empty text.
std::string titleOf(unsigned long window);
/// The window's place on the screen and its size.
Geometry geometryOf(unsigned long window);
void raiseWindow(unsigned long window);
void moveWindow(unsigned long window, int x, int y);
/// Moves the pointer to (x, y) on the screen and clicks button 1 there (XTEST).
bool clickAt(int x, int y);

}  // namespace x11
}  // namespace trace_test

#endif
