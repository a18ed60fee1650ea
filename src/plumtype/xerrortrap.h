#pragma once

// X errors from requests on windows or devices that may have gone away are
// expected; while a trap is set they are counted instead of ending the
// program.  The error handler is the process's own: one trap at a time.
#include <X11/Xlib.h>

class XErrorTrap
{
public:
    explicit XErrorTrap(Display *display) : m_display(display)
    {
        XSync(m_display, False);
        errors() = 0;
        m_previous = XSetErrorHandler(count);
    }
    ~XErrorTrap()
    {
        XSync(m_display, False);
        XSetErrorHandler(m_previous);
    }
    XErrorTrap(const XErrorTrap &) = delete;
    XErrorTrap &operator=(const XErrorTrap &) = delete;

    bool failed()
    {
        XSync(m_display, False);
        return errors() != 0;
    }

private:
    static int &errors()
    {
        static int counted = 0;
        return counted;
    }
    static int count(Display *, XErrorEvent *)
    {
        ++errors();
        return 0;
    }

    Display *m_display;
    int (*m_previous)(Display *, XErrorEvent *) = nullptr;
};
