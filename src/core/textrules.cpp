#include "textrules.h"

namespace TextRules {

int wordcount(const QString &textme)
{
    int count = 0;
    bool inWord = false;
    for (QChar c : textme) {
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n') {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++count;
        }
    }
    return count;
}

QString trimSpaces(const QString &s)
{
    qsizetype a = 0;
    qsizetype b = s.size();
    while (a < b && s.at(a) == u' ')
        ++a;
    while (b > a && s.at(b - 1) == u' ')
        --b;
    return s.mid(a, b - a);
}

} // namespace TextRules
