#include "form1.h"

void Form1::Command1_Click(int Index)
{
    // Typing with the keys comes with the typing engine; until then a click
    // only gives the typing area its focus back, so nothing is lost.
    Q_UNUSED(Index);
    if (tp != 0)
        Text1->setSelStart(tp);
    Text1->setFocus();
}
