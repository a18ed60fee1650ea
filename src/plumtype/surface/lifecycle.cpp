// Start-up, resizing and closing of the main window, and the About box.
#include "form1.h"

#include "screensize.h"
#include "surface/dialog.h"
#include "surface/twips.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

void Form1::Form_Load()
{
    starting = true;
    QuitEdit->setEnabled(false);
    addbutton->setEnabled(false);
    mnuBlank->setEnabled(true);
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));

    // A missing, unreadable or unusable size file gives the design sizes, and
    // a window larger than the screen is made to fit it.
    const QSizeF available = availableTwips(false);
    const ScreenSize size =
            ScreenSizeFile::fit(ScreenSizeFile::read(programPath(QStringLiteral("screensize.dat"))),
                                available.width(), available.height());
    m_startSize = QSizeF(size.windowWidth, size.windowHeight);
    setWindowSize(size.windowHeight, size.windowWidth);
    Twips::setHeight(Command1(1), size.keyHeight);
    Twips::setWidth(Command1(1), size.keyWidth);

    Twips::setTop(Command1(1), 2100);
    Twips::setLeft(Command1(1), 1);
    Frame1->hide();
    Text2->hide();
    Command8->hide();
    Command7->hide();
    loadwords();
}

void Form1::Form_Resize()
{
    if (editmode || starting)
        return;
    if (loadingmap) {
        m_resizePending = true;
        return;
    }
    m_resizeTimer.stop();
    Form_Activate();
    loadmap(keyboardPath(QStringLiteral("home.kbd")));
    if (killme)
        return;
    for (int i = 1; i <= 121; ++i) {
        if (Command1(i))
            Command1(i)->resize(Command1(1)->size());
    }
    Text4->setGeometry(Text1->geometry());
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        ScreenSize size;
        size.windowHeight = windowHeight();
        size.windowWidth = windowWidth();
        size.keyHeight = Twips::height(Command1(1));
        size.keyWidth = Twips::width(Command1(1));
        // A size file that cannot be written is skipped, and so is a size
        // that the next start could not use.
        const QSizeF desktop = availableTwips(true);
        if (canSave() && ScreenSizeFile::isStorable(size, desktop.width(), desktop.height()))
            ScreenSizeFile::write(programPath(QStringLiteral("screensize.dat")), size);
    }
}

QSizeF Form1::availableTwips(bool wholeDesktop) const
{
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return {};
    const QRect area = wholeDesktop ? s->availableVirtualGeometry() : s->availableGeometry();
    return { Twips::fromPx(area.width()), Twips::fromPx(area.height()) };
}

void Form1::tellReadOnly()
{
    if (canSave() || m_readOnlyTold || killme)
        return;
    m_readOnlyTold = true;
    okayprompt(QStringLiteral("Plumtype cannot save your changes: ") + m_readOnlyReason
               + QStringLiteral(".\r\n")
               + QStringLiteral("You can write and speak, but texts, keyboards, words and the "
                                "window size will not be kept."));
}

void Form1::Form_Unload()
{
    if (killme)
        return;
    learnAtCommit();
    saveLearned();
    killme = true;
    emit closing();
    if (dialog)
        dialog->close();
}

void Form1::Aboutme_Click()
{
    MsgBox(QStringLiteral("Plumtype v" PLUMTYPE_VERSION));
}

double Form1::windowHeight() const
{
    return Twips::fromPx(frameGeometry().height());
}

double Form1::windowWidth() const
{
    return Twips::fromPx(frameGeometry().width());
}

void Form1::setWindowSize(double heightTwips, double widthTwips)
{
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    resize(std::max(1, Twips::toPx(widthTwips) - frameExtra.width()),
           std::max(1, Twips::toPx(heightTwips) - frameExtra.height()));
}

void Form1::scheduleResize()
{
    // A burst of resize events (dragging the window's edge) is handled once,
    // for the size the window ends up with.
    m_resizeTimer.start();
}

void Form1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        // The saved size includes the window's frame, which the window
        // manager adds some time after the window is shown: until it has
        // (or a second has passed), the saved size is fitted again.
        m_fitStartSize = true;
        fitStartSize();
        QTimer::singleShot(1000, this, [this] { m_fitStartSize = false; });
        // The first layout, which hands over to the resize handling that
        // opens the home keyboard, waits until the window has its frame (so
        // that the frame's arrival does not load the keyboard a second time)
        // or is on screen, whichever comes first; or at the latest a moment.
        if (QWindow *handle = windowHandle())
            handle->installEventFilter(this);
        QTimer::singleShot(kFrameWaitMs, this, &Form1::firstLayout);
    }
}

void Form1::firstLayout()
{
    if (m_laidOut)
        return;
    m_laidOut = true;
    if (QWindow *handle = windowHandle())
        handle->removeEventFilter(this);
    if (starting && !killme)
        Form_Activate();
    tellReadOnly();
}

void Form1::fitStartSize()
{
    if (!m_fitStartSize || isMaximized() || isMinimized() || isFullScreen())
        return;
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    if (frameExtra == m_fittedFrame)
        return;
    m_fittedFrame = frameExtra;
    // The frame is known: the window has its final size.
    if (!frameExtra.isNull())
        QTimer::singleShot(0, this, &Form1::firstLayout);
    setWindowSize(m_startSize.height(), m_startSize.width());
}

void Form1::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    fitStartSize();
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    fitStartSize();
    if (!starting && !editmode)
        scheduleResize();
}

void Form1::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !starting && !editmode)
        scheduleResize();
}

void Form1::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    QMainWindow::closeEvent(event);
}
