// The main window as hands-free access and typing into other programs see
// it: each call is a few lines over Form1's own state and handlers.  Below
// the face, Form1's side of both: their menu items, command keys and hooks.
#include "windowface.h"

#include "form1.h"

#include "access/access.h"
#include "facetext.h"
#include "sending/programtyping.h"
#include "speech/voice.h"
#include "surface/dialog.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRadioButton>
#include <QToolButton>

WindowFace::WindowFace(Form1 *form) : QObject(form), m_form(form)
{
    connect(form, &Form1::keyboardLoaded, this, [this] {
        emit keyboardLoaded();
        // A prompt's keyboard, or the one it gives back, comes up under a
        // pointer that has not moved.
        if (m_form->m_promptDepth > 0 && !m_form->killme)
            emit windowShown(m_form->m_keyPanel);
    });
    connect(form, &Form1::closing, this, &WindowFace::closing);
    connect(form, &Form1::learningLoaded, this, &WindowFace::learningLoaded);
    // Show events of every window are looked at: message boxes and the
    // desktop's dialogs are made on the spot by the handlers.
    qApp->installEventFilter(this);
}

QWidget *WindowFace::window() const
{
    return m_form;
}

// ---- the controls that can be selected ----

int WindowFace::lastKey() const
{
    return m_form->lastbutton;
}

FaceButton *WindowFace::key(int index) const
{
    return m_form->Command1(index);
}

FaceButton *WindowFace::suggestion(int index) const
{
    return m_form->WordSelect(index);
}

QAbstractButton *WindowFace::speakButton() const
{
    return m_form->Speak;
}

QList<QWidget *> WindowFace::editorControls() const
{
    const Form1 *f = m_form;
    return { f->Command8, f->Command7, f->Command2, f->Command3, f->Command4,
             f->Command5, f->Command6, f->Option1,  f->Option2,  f->Option3,
             f->Option4,  f->Option5,  f->Option6,  f->Option7,  f->Option8,
             f->Option9,  f->Option10, f->Option11, f->Option12 };
}

QWidget *WindowFace::picker() const
{
    return m_form->dialog;
}

QListWidget *WindowFace::pickerList() const
{
    return m_form->dialog->File1;
}

FaceButton *WindowFace::pickerOk() const
{
    return m_form->dialog->OKButton;
}

FaceButton *WindowFace::pickerCancel() const
{
    return m_form->dialog->CancelButton;
}

void WindowFace::paintStateKey(int index, const QString &caption, quint32 colour)
{
    FaceButton *key = m_form->Command1(index);
    if (!key)
        return;
    // buttons() paints at the size of the picture box.
    const QSize kept = m_form->Picture1->size();
    m_form->Picture1->resize(key->size());
    m_form->buttons(key, caption, 0, FaceText::kLetterColour);
    m_form->Picture1->resize(kept);
    // White is the letter keys' colour.
    const QColor back = colour ? QColor::fromRgb(colour) : QColor(Qt::white);
    key->setBackColor(back);
    if (colour) {
        // The black-on-white face multiplied onto the colour: the text stays
        // black, its smooth edges blend into the colour.
        const QPixmap face = key->picture();
        QPixmap tinted(face.size());
        tinted.fill(back);
        QPainter p(&tinted);
        p.setCompositionMode(QPainter::CompositionMode_Multiply);
        p.drawPixmap(0, 0, face);
        p.end();
        key->setPicture(tinted);
    }
}

QAction *WindowFace::menuItem(MenuItem item) const
{
    switch (item) {
    case MenuItem::DwellClicking:
        return m_form->DwellClicking;
    case MenuItem::SwitchScanning:
        return m_form->SwitchScanning;
    case MenuItem::AccessSettings:
        return m_form->AccessSettings;
    }
    return nullptr;
}

// ---- the windows ----

void WindowFace::addWindow(QWidget *window)
{
    if (!window || ownWindow(window))
        return;
    m_windows.append(window);
    emit windowAdded(window);
}

bool WindowFace::ownWindow(const QWidget *window) const
{
    if (!window)
        return false;
    if (window == m_form || window == m_form->dialog)
        return true;
    for (const QPointer<QWidget> &w : m_windows) {
        if (w == window)
            return true;
    }
    return false;
}

QList<QWidget *> WindowFace::windows() const
{
    QList<QWidget *> all { m_form->dialog };
    for (const QPointer<QWidget> &w : m_windows) {
        if (w)
            all.append(w);
    }
    return all;
}

bool WindowFace::opensFromHere(const QWidget *window) const
{
    // Menus and tooltips are no windows a pointer rests on.
    const Qt::WindowType type = window->windowType();
    if (type == Qt::Popup || type == Qt::ToolTip)
        return false;
    for (const QWidget *w = window; w; w = w->parentWidget()) {
        if (w == m_form)
            return true;
    }
    return false;
}

bool WindowFace::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        if ((w->isWindow() && opensFromHere(w)) || w == m_form->Frame1)
            emit windowShown(w);
    }
    return QObject::eventFilter(watched, event);
}

// ---- the typing area ----

QWidget *WindowFace::typingArea() const
{
    return m_form->Text1;
}

QString WindowFace::text() const
{
    return m_form->Text1->Text();
}

void WindowFace::setText(const QString &text)
{
    m_form->Text1->setText(text);
}

void WindowFace::putCaretAtEnd()
{
    TextBox *area = m_form->Text1;
    const int end = static_cast<int>(area->Text().size());
    if (area->SelStart() == end)
        return;
    m_form->tp = 0;
    area->setSelStart(end);
}

void WindowFace::setFocusTaking(bool on)
{
    for (QWidget *control :
         { static_cast<QWidget *>(m_form->Speak), static_cast<QWidget *>(m_form->Text1) })
        control->setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
}

void WindowFace::refreshSuggestions()
{
    QString word = m_form->typedword;
    m_form->suggest(word);
}

bool WindowFace::typingAreaBusy() const
{
    const Form1 *f = m_form;
    return f->killme || f->m_promptDepth > 0 || f->editmode || f->eMode || f->keytextentry
           || f->gameRunning();
}

// ---- state ----

bool WindowFace::isClosing() const
{
    return m_form->killme;
}

bool WindowFace::loadingKeyboard() const
{
    return m_form->loadingmap;
}

// ---- telling and speaking ----

void WindowFace::okayPrompt(const QString &message)
{
    m_form->okayprompt(message);
}

void WindowFace::noticeWhenFree(const QString &message)
{
    m_form->noticeWhenFree(message);
}

void WindowFace::say(const QString &text)
{
    m_form->voice()->say(text);
}

bool WindowFace::speaking() const
{
    return m_form->m_speaking;
}

// ---- learning ----

void WindowFace::learnAtCommit()
{
    m_form->learnAtCommit();
}

void WindowFace::learnFrom(const QString &text)
{
    m_form->learnFrom(text);
}

QList<LearnedModel::Word> WindowFace::learnedWords() const
{
    return m_form->learnedWords();
}

void WindowFace::forgetLearnedWord(const QString &word)
{
    m_form->forgetLearnedWord(word);
}

bool WindowFace::forgetAllLearned()
{
    return m_form->forgetAllLearned();
}

// ---- Form1's side of hands-free access ----

void Form1::createAccess()
{
    AccessMenu = new QMenu(QStringLiteral("&Access"), this);
    menuBar()->insertMenu(About->menuAction(), AccessMenu);
    DwellClicking = AccessMenu->addAction(QStringLiteral("&Dwell Clicking"));
    DwellClicking->setCheckable(true);
    SwitchScanning = AccessMenu->addAction(QStringLiteral("&Switch Scanning"));
    SwitchScanning->setCheckable(true);
    AccessSettings = AccessMenu->addAction(QStringLiteral("&Settings..."));
    windowFace = new WindowFace(this);
    handsFree = new HandsFreeAccess(windowFace);
}

void Form1::accessCommand(const QString &command)
{
    if (command == u"[dwell]")
        handsFree->toggleDwell();
    else if (command == u"[scan]")
        handsFree->toggleScan();
    else
        handsFree->showSettings();
}

bool Form1::suggestionsHeld()
{
    return handsFree && handsFree->dwell()->holdSuggestions();
}

// ---- Form1's side of typing into other programs ----

void Form1::createSending()
{
    SendToProgram = AccessMenu->addAction(QStringLiteral("Send to &Program"));
    programTyping = new ProgramTyping(windowFace, handsFree);
    connect(SendToProgram, &QAction::triggered, this, &Form1::SendToProgram_Click);
}

void Form1::SendToProgram_Click()
{
    if (killme || editmode || gameRunning() || m_promptDepth > 0)
        return;
    programTyping->send();
}

void Form1::liveSync()
{
    if (programTyping)
        programTyping->sync();
}
