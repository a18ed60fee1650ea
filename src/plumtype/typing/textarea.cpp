// The rules that run on every change of the typing area, on keys typed into
// it and on clicks into it; and the editor's two key-text boxes kept equal.
#include "form1.h"

#include "sending/programtyping.h"

#include "typingrules.h"

void Form1::Text1_Change()
{
    if (editmode)
        return;
    typedword = TypingRules::typedWord(Text1->Text(), tp);
    // After a sign inside the word ("e.g") the suggestions stay as they are.
    if (!TypingRules::skipsRefresh(typedword))
        suggest(typedword);
    typedword = TypingRules::stripTypedWord(typedword);
    updateTitle();
}

void Form1::Text1_KeyPress(int &KeyAscii)
{
    // The caret is estimated: a line break is two characters, and a
    // backspace leaves it where it was.
    ++tp;
    if (KeyAscii == 13)
        ++tp;
    if (KeyAscii == 8)
        --tp;
    if (KeyAscii != 13)
        return;
    quitgame = true;
    Text4->hide();
    if (TypingRules::isAddWordLine(Text1->Text())) {
        addword(Text1->Text());
        Text1->setText(QString());
        tp = 1;
        Text1->setSelStart(1);
        KeyAscii = 0;
    }
}

void Form1::Text1_Click()
{
    // While live typing is on the caret stays at the end: what is typed
    // next must continue what the other program has been sent.
    if (programTyping && programTyping->live())
        Text1->setSelStart(static_cast<int>(Text1->Text().size()));
    tp = Text1->SelStart();
}

void Form1::Text2_Change()
{
    Text3->setText(Text2->Text());
}

void Form1::Text3_Change()
{
    Text2->setText(Text3->Text());
}
