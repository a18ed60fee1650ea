#pragma once

#include <QString>

// Rules about the typed text that need no window.
namespace TextRules {

// Words in a text: runs of characters other than space, tab, CR and LF.
int wordcount(const QString &textme);

// The text with leading and trailing spaces (only spaces) removed.
QString trimSpaces(const QString &s);

} // namespace TextRules
