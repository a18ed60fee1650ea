#pragma once

// Plumtype's windows and the keyboard focus (sending/focuskeeper.cpp).
//
// Wherever Plumtype can type into other programs on X (X11, or XWayland in
// a Wayland session), its windows never take the focus: an input hint of
// false and no WM_TAKE_FOCUS, so no window manager hands it to them, and a
// click on a key, a suggestion or Speak leaves it with the program written
// in.  On other platforms the same holds while live typing is on, as far as
// the platform lets a window refuse it.  While live typing is on the main
// window also stays on top.  The flags change on the window as it is, never
// by making it anew, so a change of mode neither moves nor resizes it.
//
// One exception: a click into the typing area itself (or another field to
// write in, such as the editor's key text), outside live typing, takes the
// focus, so that a keyboard can write there.  Plumtype then holds it until
// the user clicks another program or Send gives it back; clicks on keys
// meanwhile leave it where it is, as the user just chose.  While live
// typing is on, the typing area takes no focus: a keyboard writes straight
// into the program.

#include <QObject>

class QWidget;
class WindowFace;

class FocusKeeper : public QObject
{
    Q_OBJECT
public:
    // A child of the face's window; the flags are set at once.
    explicit FocusKeeper(WindowFace *face);

    // Live typing went on or off.
    void setLive(bool live);
    // The main window refuses the focus now.
    bool keepsOff() const { return m_keepsOff; }
    // A window opened from the main window follows it.
    void follow(QWidget *window);
    // The user clicked into the typing area and Plumtype took the focus.
    bool holding() const { return m_holding; }
    // The focus went back to the program written in.
    void letGo() { m_holding = false; }

signals:
    // A click on one of Plumtype's windows, other than into the typing
    // area to write there, is over: the focus belongs with the program
    // written in.
    void clickedAway();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply(QWidget *window);
    // A click there is meant for the keyboard: a text field of Plumtype's.
    bool wantsKeyboard(const QObject *clicked) const;
    void takeFocus(QWidget *window);

    WindowFace *m_face;
    const bool m_onX;
    bool m_live = false;
    bool m_keepsOff = false;
    bool m_holding = false;
    bool m_awayQueued = false;
};
