// Edit mode: the keyboard on screen becomes an editor.  The typing area gives
// way to "Stop Editing" and "Add Button", key clicks select keys for editing,
// and the menus that would load or save other documents are disabled.  Leaving
// asks whether to keep the changes: they are saved under a name, or the
// keyboard is loaded again from its file.
#include "form1.h"

#include "facetext.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

void Form1::connectEditor()
{
    connect(QuitEdit, &QAction::triggered, this, &Form1::QuitEdit_Click);
    connect(addbutton, &QAction::triggered, this, &Form1::addbutton_Click);
    connect(Savekeyboard, &QAction::triggered, this, &Form1::Savekeyboard_Click);
    connect(mnuBlank, &QAction::triggered, this, &Form1::mnuBlank_Click);
    connect(Command2, &QAbstractButton::clicked, this, &Form1::Command2_Click);
    connect(Command7, &QAbstractButton::clicked, this, &Form1::Command7_Click);
    connect(Command8, &QAbstractButton::clicked, this, &Form1::Command8_Click);
    connect(Command3, &QAbstractButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QAbstractButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QAbstractButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QAbstractButton::clicked, this, &Form1::Command6_Click);
    // Only the user's click runs a type's handler: the preset of a selected
    // key checks an option without changing the key box.
    QRadioButton *const options[] = { Option1, Option2, Option3, Option4,  Option5,  Option6,
                                      Option7, Option8, Option9, Option10, Option11, Option12 };
    for (int i = 0; i < 12; ++i)
        connect(options[i], &QAbstractButton::clicked, this, [this, i] { optionClick(i + 1); });
    Text3->onClick = [this] { Text3_Click(); };
}

bool Form1::editorWait(const std::function<bool()> &done)
{
    while (!killme && !done()) {
        QEventLoop loop;
        connect(this, &Form1::editorWake, &loop, &QEventLoop::quit);
        connect(this, &Form1::closing, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return !killme;
}

void Form1::EditMode_Click()
{
    quitgame = true;
    Text4->hide();
    editmode = true;
    EditMode->setEnabled(false);
    addbutton->setEnabled(true);
    mnuBlank->setEnabled(false);
    QuitEdit->setEnabled(true);
    Command8->show();
    Command7->show();
    FileOpen->setEnabled(false);
    FileSave->setEnabled(false);
    FileLoad->setEnabled(false);
    Text1->setEnabled(false);
    Text1->hide();

    Picture1->resize(WordSelect(0)->size());
    const char *const captions[] = { "CLICK", "BUTTON", "TO", "EDIT" };
    for (int i = 0; i < 4; ++i) {
        buttons(WordSelect(i), QLatin1String(captions[i]), 0, FaceText::kSuggestionColour);
        WordSelect(i)->ToolTipText.clear();
    }
    disableSuggestions();
    Picture1->resize(Command1(1)->size());
    eMode = true;
}

void Form1::leaveEditing()
{
    QuitEdit->setEnabled(false);
    EditMode->setEnabled(true);
    addbutton->setEnabled(false);
    mnuBlank->setEnabled(true);
    FileOpen->setEnabled(true);
    FileSave->setEnabled(true);
    FileLoad->setEnabled(true);
    Command8->hide();
    Command7->hide();

    // A key edit or key-text entry that waits ends without being applied.
    eMode = false;
    estop = true;
    ++m_editSession;
    Frame1->hide();
    placeEditorButtons(false);
    Text2->hide();
    Text1->setEnabled(true);
    Text1->show();

    clearSuggestionRow();
    enableSuggestions();

    keytextdone = false;
    keytextentry = false;
    // A move left pending would make every key, the answer keys included,
    // ignore its clicks; the arrows that key-text entry hid come back.
    movepending = false;
    for (QToolButton *arrow : { Command3, Command4, Command5, Command6 }) {
        arrow->setEnabled(true);
        arrow->show();
    }
    Label1->show();
    emit editorWake();
}

void Form1::QuitEdit_Click()
{
    // During key-text entry the letter keyboard is on screen, and the working
    // copy already holds the keyboard being edited.
    const bool inKeyText = keytextentry;
    const QString remembered = inKeyText ? m_keyTextFileName : FileName;
    leaveEditing();
    if (!inKeyText)
        savetmpmap();

    const bool yes = yesnoprompt(QStringLiteral("Do you want to save your changes?"));
    if (killme)
        return;
    if (yes) {
        loadmap(workingCopyPath());
        FileName = remembered;
        Savekeyboard_Click();
        endEditingAfterSave();
        return;
    }

    QString name = remembered;
    name.remove(QLatin1String(".kbd"));
    loadmap(keyboardPath(name + QLatin1String(".kbd")));
    editmode = false;
    if (killme)
        return;
    enableSuggestions();
    if (Text1->isEnabled()) {
        tp = static_cast<int>(Text1->Text().size());
        Text1->setSelStart(tp);
        Text1->setFocus();
    }
}

void Form1::enableSuggestions()
{
    // The row is empty; the load that ends leaving edit mode disabled it.
    for (int i = 0; i < 4; ++i)
        WordSelect(i)->setEnabled(true);
}

void Form1::endEditingAfterSave()
{
    // A cancelled save went back into edit mode, which disables the typing
    // area; the window closing ends everything.
    if (killme || !Text1->isEnabled())
        return;
    editmode = false;
    enableSuggestions();
    tp = static_cast<int>(Text1->Text().size());
    Text1->setSelStart(tp);
    Text1->setFocus();
}

void Form1::Command2_Click()
{
    for (QToolButton *arrow : { Command3, Command4, Command5, Command6 }) {
        arrow->setEnabled(true);
        arrow->show();
    }
    Label1->show();
    movepending = false;
    estop = true;
    keytextdone = true;
    emit editorWake();
}

void Form1::Command7_Click()
{
    addbutton_Click();
}

void Form1::Command8_Click()
{
    QuitEdit_Click();
}
