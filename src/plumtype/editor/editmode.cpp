// The keyboard editor.
#include "form1.h"

void Form1::EditMode_Click()
{
    // The editor comes with its own handlers.
}

void Form1::selectKeyForEditing(int Index)
{
    Q_UNUSED(Index);
}
