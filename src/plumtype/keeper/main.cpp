// plumtype-keeper: puts back the input devices Plumtype floated when Plumtype
// ends without doing it itself (a crash, kill -9).  Plumtype starts it with
// a pipe on its standard input and writes the note of floated devices to
// it, each time followed by a line ".", whenever that changes.  When the
// pipe closes, however Plumtype ended, every device of the last note that
// is still floating goes back to its master, and the keeper ends.

#include "switchinput.h"

#include <QByteArray>
#include <QList>

#include <cerrno>
#include <csignal>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace {

int ignoreError(Display *, XErrorEvent *)
{
    return 0;
}

void putBack(Display *display, const QList<SwitchInput::Floated> &floated)
{
    int n = 0;
    XIDeviceInfo *info = XIQueryDevice(display, XIAllDevices, &n);
    for (const SwitchInput::Floated &f : floated) {
        int use = -1;
        bool keys = false;
        bool buttons = false;
        bool matches = false;
        for (int i = 0; info && i < n; ++i) {
            if (info[i].deviceid != f.device)
                continue;
            use = info[i].use;
            matches = QString::fromUtf8(info[i].name) == f.name;
            for (int c = 0; c < info[i].num_classes; ++c) {
                keys = keys || info[i].classes[c]->type == XIKeyClass;
                buttons = buttons || info[i].classes[c]->type == XIButtonClass;
            }
        }
        const bool keyboard = keys && !buttons;
        if (use != XIFloatingSlave || !matches)
            continue;
        // Its master, or the first of its kind when that one is gone.
        const int kind = keyboard ? XIMasterKeyboard : XIMasterPointer;
        int master = 0;
        for (int i = 0; info && i < n; ++i) {
            if (info[i].use != kind)
                continue;
            if (info[i].deviceid == f.master || master == 0)
                master = info[i].deviceid;
        }
        if (!master)
            continue;
        XIAttachSlaveInfo attach;
        attach.type = XIAttachSlave;
        attach.deviceid = f.device;
        attach.new_master = master;
        XIChangeHierarchy(display, reinterpret_cast<XIAnyHierarchyChangeInfo *>(&attach), 1);
    }
    if (info)
        XIFreeDeviceInfo(info);
    XSync(display, False);
}

} // namespace

int main()
{
    // Only the closing pipe ends the keeper.
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    XSetErrorHandler(ignoreError);

    QList<SwitchInput::Floated> floated;
    QByteArray pending;
    char chunk[4096];
    while (true) {
        const ssize_t n = ::read(0, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(chunk, n);
        // A whole note ends with a line ".".
        qsizetype end;
        while ((end = pending.indexOf("\n.\n")) >= 0 || pending.startsWith(".\n")) {
            if (pending.startsWith(".\n")) {
                floated.clear();
                pending.remove(0, 2);
                continue;
            }
            floated = SwitchInput::readNote(pending.left(end + 1));
            pending.remove(0, end + 3);
        }
    }
    putBack(display, floated);
    XCloseDisplay(display);
    return 0;
}
