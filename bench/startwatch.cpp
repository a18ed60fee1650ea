// Starts a program on the X display and watches its window from outside, as
// a user would see it: when the window is on screen with a title that holds
// READY, and how long a key typed then takes to show, read from the title
// (Plumtype and the bare window both count the typed words in it).
//
//   startwatch [--key-at ready|map] [--settle MS] READY -- PROGRAM [ARGS...]
//
// Prints one line of key=value pairs, times in milliseconds from the start:
//   ready    the window is mapped and its title holds READY
//   mapped   the window was first mapped
//   key      the typed key showed (in the title's word count), counted from
//            the moment it was typed; -1 when none was typed or it never showed
//   rss_ready, rss_peak   peak resident memory in MB when ready, and by the
//            end (after --settle more milliseconds)
//   term     from SIGTERM to the end of the program
// A key that does not show within 5 s counts as never.  Exits 1 when the
// window did not get ready within 30 s.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
Clock::time_point g_start;

double sinceStart()
{
    return std::chrono::duration<double, std::milli>(Clock::now() - g_start).count();
}

// VmHWM of the process in MB, or -1.
double peakMegabytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    }
    return -1;
}

std::string title(Display *d, Window w)
{
    static const Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
    static const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    std::string result;
    if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data)
                == Success
        && data) {
        result.assign(reinterpret_cast<char *>(data), count);
        XFree(data);
        return result;
    }
    char *name = nullptr;
    if (XFetchName(d, w, &name) && name) {
        result = name;
        XFree(name);
    }
    return result;
}

bool isMapped(Display *d, Window w)
{
    XWindowAttributes a;
    return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

// Waits up to `ms` for the next X event; false when none came.
bool nextEvent(Display *d, XEvent *e, double ms)
{
    if (XPending(d)) {
        XNextEvent(d, e);
        return true;
    }
    const int fd = ConnectionNumber(d);
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(fd, &fds);
    timeval tv { static_cast<time_t>(ms / 1000),
                 static_cast<suseconds_t>(std::fmod(ms, 1000.0) * 1000) };
    if (select(fd + 1, &fds, nullptr, nullptr, &tv) <= 0 && !XPending(d))
        return false;
    if (!XPending(d))
        return false;
    XNextEvent(d, e);
    return true;
}

void typeKey(Display *d, Window w)
{
    XSetInputFocus(d, w, RevertToParent, CurrentTime);
    const KeyCode code = XKeysymToKeycode(d, XK_x);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    XFlush(d);
}

} // namespace

int main(int argc, char **argv)
{
    std::string keyAt = "ready";
    int settleMs = 0;
    int i = 1;
    for (; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--key-at") && i + 1 < argc)
            keyAt = argv[++i];
        else if (!std::strcmp(argv[i], "--settle") && i + 1 < argc)
            settleMs = std::atoi(argv[++i]);
        else
            break;
    }
    if (i + 2 >= argc || std::strcmp(argv[i + 1], "--")) {
        std::fprintf(stderr, "usage: startwatch [--key-at ready|map|none] [--settle MS] READY -- "
                             "PROGRAM [ARGS...]\n");
        return 2;
    }
    const std::string ready = argv[i];
    char **command = argv + i + 2;

    Display *d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "startwatch: no X display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    XSync(d, False);

    g_start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(command[0], command);
        _exit(127);
    }

    std::set<Window> watched;
    Window window = 0;
    double mapped = -1, readyAt = -1, typedAt = -1, keyMs = -1, rssReady = -1;
    const auto look = [&](Window w) {
        if (!isMapped(d, w))
            return;
        if (mapped < 0) {
            mapped = sinceStart();
            window = w;
            if (keyAt == "map" && typedAt < 0) {
                typeKey(d, w);
                typedAt = sinceStart();
            }
        }
        const std::string t = title(d, w);
        if (readyAt < 0 && t.find(ready) != std::string::npos) {
            readyAt = sinceStart();
            window = w;
            rssReady = peakMegabytes(pid);
            if (keyAt == "ready" && typedAt < 0) {
                typeKey(d, w);
                typedAt = sinceStart();
            }
        }
        if (typedAt >= 0 && keyMs < 0 && t.find("(1)") != std::string::npos)
            keyMs = sinceStart() - typedAt;
    };

    const double giveUp = 30000;
    const double keyGiveUp = 5000;
    while (sinceStart() < giveUp) {
        const bool waitingForKey = typedAt >= 0 && keyMs < 0 && sinceStart() - typedAt < keyGiveUp;
        if (readyAt >= 0 && !waitingForKey)
            break;
        XEvent e;
        if (!nextEvent(d, &e, 50))
            continue;
        switch (e.type) {
        case CreateNotify:
            // Top-level windows are made as children of the root; the
            // window manager reparents them later.
            if (e.xcreatewindow.parent == root && !e.xcreatewindow.override_redirect) {
                watched.insert(e.xcreatewindow.window);
                XSelectInput(d, e.xcreatewindow.window, PropertyChangeMask | StructureNotifyMask);
                XSync(d, False);
                look(e.xcreatewindow.window);
            }
            break;
        case MapNotify:
            if (watched.count(e.xmap.window))
                look(e.xmap.window);
            break;
        case PropertyNotify:
            if (watched.count(e.xproperty.window))
                look(e.xproperty.window);
            break;
        default:
            break;
        }
    }
    if (readyAt >= 0 && settleMs > 0)
        usleep(static_cast<useconds_t>(settleMs) * 1000);
    const double rssPeak = peakMegabytes(pid);

    const auto termStart = Clock::now();
    kill(pid, SIGTERM);
    int status = 0;
    double termMs = -1;
    for (int waited = 0; waited < 10000; waited += 5) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            termMs = std::chrono::duration<double, std::milli>(Clock::now() - termStart).count();
            break;
        }
        usleep(5000);
    }
    if (termMs < 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    std::printf("ready=%.1f mapped=%.1f key=%.1f rss_ready=%.1f rss_peak=%.1f term=%.1f\n", readyAt,
                mapped, keyMs, rssReady, rssPeak, termMs);
    XCloseDisplay(d);
    return readyAt >= 0 ? 0 : 1;
}
