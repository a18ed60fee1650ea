// Saving and opening typed text, and opening keyboard files.
#include "form1.h"

void Form1::FileSave_Click()
{
    // Saving texts comes with the saved-text picker.
}

void Form1::FileOpen_Click() { }

void Form1::FileLoad_Click() { }
