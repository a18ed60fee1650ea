// Scramble Finder, the word game.
#include "form1.h"

void Form1::scramblefinder_Click() { }
