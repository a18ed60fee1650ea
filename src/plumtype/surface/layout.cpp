// The window layout: the typing area, the key size, the suggestion row, the
// editing panel and the Speak button fitted to the window; and the menu lock
// that keeps the menus out of reach while the program waits for an answer.
#include "form1.h"

#include "facetext.h"
#include "surface/dialog.h"
#include "surface/twips.h"
#include "windowlayout.h"

#include <QGroupBox>
#include <QMenu>
#include <QToolButton>

void Form1::Form_Activate()
{
    if (isMinimized())
        return;

    WindowLayout::Input in;
    in.windowWidth = windowWidth();
    in.windowHeight = windowHeight();
    in.anchorTop = Twips::top(Command1(1));
    in.speakWidth = Twips::width(Speak);
    in.suggestionHeight = Twips::height(WordSelect(0));
    in.suggestionLeft = Twips::left(WordSelect(0));
    const WindowLayout::Result r = WindowLayout::compute(in);

    Twips::setWidth(Text1, r.fullWidth);
    Twips::setHeight(Command1(1), r.keyHeight);
    Twips::setWidth(Command1(1), r.keyWidth);
    buttons(Command1(1), QString(), 0, FaceText::kLetterColour);
    Picture1->resize(Command1(1)->size());
    Text2->resize(Command1(1)->size());
    if (isMaximized() && starting)
        move(Twips::toPx(1), Twips::toPx(1));

    Twips::setLeft(Text1, 1);
    Twips::setTop(Text1, 1);
    Twips::setGeometry(Frame1, 1, 1, r.fullWidth, Twips::height(Frame1));
    Twips::setGeometry(Label2, 1, 1, r.fullWidth, Twips::height(Label2));

    for (int i = 0; i < 4; ++i) {
        FaceButton *b = WordSelect(i);
        Twips::setTop(b, r.suggestionTop);
        Twips::setWidth(b, r.suggestionWidth);
        if (i > 0)
            Twips::setLeft(b, r.suggestionLeft[i]);
    }

    const struct
    {
        FaceButton *button;
        const char *caption;
    } commands[] = {
        { Command2, "Save Edit" },
        { Command8, "Stop Editing" },
        { Command7, "Add Button" },
        { dialog->CancelButton, "Cancel" },
        { dialog->OKButton, "Load Selected File" },
    };
    for (const auto &c : commands) {
        Picture1->resize(c.button->size());
        c.button->setBackColor(QColor(0xC1, 0xFF, 0xFF));
        buttons(c.button, QLatin1String(c.caption), 0, FaceText::kEditorColour);
    }
    Picture1->resize(WordSelect(0)->size());
    for (int i = 0; i < 4; ++i)
        buttons(WordSelect(i), QString(), 0, FaceText::kSuggestionColour);

    Twips::setHeight(Text1, r.typingHeight);
    Twips::setHeight(Frame1, r.typingHeight);
    Twips::setHeight(Label2, r.typingHeight);
    Twips::setWidth(Text1, r.typingWidth);
    Twips::setLeft(Speak, r.speakLeft);
    Twips::setHeight(Speak, r.typingHeight);

    if (starting) {
        starting = false;
        Form_Resize();
    }
}

void Form1::LockMenu()
{
    FileOption->menuAction()->setEnabled(false);
    LoadKeyboard->menuAction()->setEnabled(false);
    EditKeyboard->menuAction()->setEnabled(false);
    About->menuAction()->setEnabled(false);
    AccessMenu->menuAction()->setEnabled(false);
}

void Form1::UnLockMenu()
{
    FileOption->menuAction()->setEnabled(true);
    LoadKeyboard->menuAction()->setEnabled(true);
    EditKeyboard->menuAction()->setEnabled(true);
    About->menuAction()->setEnabled(true);
    AccessMenu->menuAction()->setEnabled(true);
}
