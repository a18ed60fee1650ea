#include "typingrules.h"

#include "textrules.h"

#include <QStringView>

#include <algorithm>
#include <initializer_list>

using TextRules::trimSpaces;

namespace TypingRules {

namespace {

constexpr char16_t kCrLf[] = u"\r\n";

bool endsWithAny(const QString &s, std::initializer_list<QStringView> endings)
{
    return std::any_of(endings.begin(), endings.end(),
                       [&s](QStringView e) { return s.endsWith(e); });
}

bool isPunctuation(QChar c)
{
    return QStringView(kPunctuation).contains(c);
}

// Upper-cases the first character only; a one-to-one mapping, so lengths and
// positions stay as counted.
QString capitalised(QString s)
{
    if (!s.isEmpty())
        s[0] = s.at(0).toUpper();
    return s;
}

Edit finished(QString text, int tp)
{
    Edit e;
    e.text = std::move(text);
    e.tp = tp;
    e.selStart = caretFor(e.text, tp);
    return e;
}

} // namespace

QString flattenLineBreaks(const QString &s)
{
    return QString(s).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}

// Positions outside the text are clamped; the box never reports them, but a
// stale caret value must not index past the end.
QString beforePart(const QString &text, int selStart)
{
    return text.left(std::clamp<qsizetype>(selStart, 0, text.size()));
}

QString afterPart(const QString &text, int selStart, int selLength)
{
    const qsizetype from = qsizetype(std::max(selStart, 0)) + std::max(selLength, 0);
    return from >= text.size() ? QString() : text.mid(from);
}

int caretFor(const QString &text, int tp)
{
    return tp != 0 ? int(std::clamp<qsizetype>(tp, 0, text.size())) : int(text.size());
}

Edit insertText(const QString &text, int selStart, int selLength, const QString &keyText)
{
    const QString before = beforePart(text, selStart);
    const QString key = flattenLineBreaks(keyText);
    return finished(before + key + afterPart(text, selStart, selLength),
                    int(before.size() + key.size()));
}

bool startsSentence(const QString &before)
{
    return before.size() <= 1 || endsWithAny(before, { u". ", u"! ", u"? ", kCrLf });
}

Edit insertWord(const QString &text, int selStart, int selLength, const QString &keyText)
{
    const QString before = beforePart(text, selStart);
    const int tp = int(before.size() + flattenLineBreaks(keyText).size() + 1);
    const bool capital = startsSentence(before);
    const QString word = keyText + u' ';
    Edit e = finished(before + flattenLineBreaks(capital ? capitalised(word) : word)
                              + afterPart(text, selStart, selLength),
                      tp);
    // At the very start the row keeps what it offers; behind a sentence end it is cleared.
    e.clearSuggestions = capital && before.size() > 1;
    return e;
}

Edit insertSuffix(const QString &text, int selStart, int selLength, const QString &keyText)
{
    QString before = beforePart(text, selStart);
    int tp = int(before.size() + flattenLineBreaks(keyText).size() + 1);
    if (before.isEmpty()) {
        // Nothing to glue to: the text stays, the caret goes to tp as already set.
        Edit e = finished(text, tp);
        e.ok = false;
        return e;
    }
    if (before.endsWith(u' ')) {
        before.chop(1);
        --tp;
    }
    Edit e = finished(
            before + flattenLineBreaks(keyText + u' ') + afterPart(text, selStart, selLength), tp);
    // The end of the whole text decides, not the text at the caret.
    e.clearSuggestions = endsWithAny(e.text, { u". ", u"! ", u"? ", u", ", u"; ", u": ", kCrLf });
    return e;
}

Edit spaceKey(const QString &text)
{
    // Always at the end of the text, wherever the caret is.
    return finished(text + u' ', 0);
}

Edit returnKey(const QString &text, int selStart, int selLength)
{
    if (isAddWordLine(text)) {
        Edit e = finished(QString(), 1);
        e.addsWord = true;
        e.addedWord = addWordText(text);
        return e;
    }
    const QString before = beforePart(text, selStart);
    return finished(before + QStringLiteral("\r\n") + afterPart(text, selStart, selLength),
                    int(before.size() + 2));
}

Edit backKey(const QString &text, int selStart, int selLength)
{
    QString before = beforePart(text, selStart);
    const QString after = afterPart(text, selStart, selLength);
    if (before.isEmpty()) {
        Edit e = finished(text, 0);
        e.ok = false;
        return e;
    }
    if (before.size() == 1) {
        Edit e;
        e.text = after;
        e.ended = true;
        return e;
    }
    before.chop(before.at(before.size() - 2) == u'\r' ? 2 : 1);
    // Removing a line break at the very start leaves tp at 0, which sends the
    // caret to the end of the text.
    return finished(before + after, int(before.size()));
}

Edit deleteKey(const QString &text, int selStart, int selLength)
{
    QString before = beforePart(text, selStart);
    if (before.isEmpty()) {
        Edit e = finished(text, 0);
        e.ok = false;
        return e;
    }
    if (before.endsWith(u' '))
        before.chop(1);
    // Back to the previous space; CR and LF are ordinary characters here.
    while (!before.isEmpty() && !before.endsWith(u' '))
        before.chop(1);
    Edit e = finished(before + afterPart(text, selStart, selLength), int(before.size()));
    e.disableSuggestions = true;
    return e;
}

Edit keyTextEntry(const QString &text, int selStart, int selLength, const QString &keyText)
{
    QString before = beforePart(text, selStart);
    const QString after = afterPart(text, selStart, selLength);
    const int tp = int(before.size());

    if (keyText.isEmpty()) // a key without text: a space at the end, the caret one on
        return finished(text + u' ', tp + 1);
    if (keyText == u"[lock]" || keyText == u"[unlock]") // only caps lock changes
        return finished(text, tp);
    if (keyText == u"[back]") {
        if (before.size() == 1) {
            Edit e;
            e.text = after;
            e.ended = true;
            return e;
        }
        // Each step here is skipped when it fails: with nothing in front of the
        // caret only the removal fails, and a selection is still dropped.
        const bool failed = before.isEmpty();
        if (!failed)
            before.chop(before.at(before.size() - 2) == u'\r' ? 2 : 1);
        Edit e = finished(before + after, int(before.size()));
        e.ok = !failed;
        return e;
    }
    const QString key = flattenLineBreaks(keyText);
    return finished(before + key + after, int(before.size() + key.size()));
}

QString typedWord(const QString &text, int tp)
{
    const QString before = tp <= 0 ? QString() : text.left(tp);
    const QString s = trimSpaces(flattenLineBreaks(trimSpaces(before)));
    const qsizetype k = s.lastIndexOf(u' ') + 1; // one past the last space
    if (s.isEmpty() || isPunctuation(s.at(k)))
        return s.mid(k + 1);
    return s.mid(k);
}

bool skipsRefresh(const QString &typedword)
{
    return typedword.size() > 1 && QStringView(u".!?").contains(typedword.at(typedword.size() - 2));
}

QString stripTypedWord(const QString &typedword)
{
    QString w = typedword;
    w.remove(u' ');
    w.remove(u'\n');
    return w;
}

bool isAddWordLine(const QString &text)
{
    constexpr QStringView marker = u"[add word]";
    if (text.size() < marker.size())
        return false;
    // Character by character: a lower case that is longer must not shift the test.
    for (qsizetype i = 0; i < marker.size(); ++i) {
        if (text.at(i).toLower() != marker.at(i))
            return false;
    }
    return true;
}

QString addWordText(const QString &text)
{
    return trimSpaces(text.mid(10));
}

Edit wordSelectClick(const QString &text, int selStart, int selLength, const QString &toolTip,
                     int tp)
{
    if (trimSpaces(toolTip).isEmpty()) {
        Edit e;
        e.text = text;
        e.tp = tp;
        e.selStart = selStart;
        e.ended = true;
        return e;
    }
    const QString before = beforePart(text, selStart);
    const QString after = afterPart(text, selStart, selLength);

    // Where the partial word starts.  The positions are found in the trimmed
    // text and used on the untrimmed one; they agree unless the text starts
    // with spaces.
    const QString t = trimSpaces(before);
    const auto signEnd = [&](qsizetype separator) -> qsizetype {
        if (separator <= 0 || separator >= before.size() || !isPunctuation(before.at(separator)))
            return 0;
        return t.lastIndexOf(before.at(separator)) + 1;
    };
    const qsizetype s = t.lastIndexOf(u' ') + 1;
    const qsizetype n = t.lastIndexOf(u'\n') + 1;
    const qsizetype cut = std::max({ s, n, signEnd(s), signEnd(n) });

    const QString prefix = before.left(cut);
    if (prefix.size() == 1)
        return finished(text, tp);
    const bool capital = prefix.isEmpty() || endsWithAny(prefix, { u". ", u"! ", u"? " })
                         || cut >= before.size()
                         || QStringView(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n").contains(before.at(cut));

    QString inserted = flattenLineBreaks(toolTip);
    if (capital)
        inserted = capitalised(inserted);
    return finished(prefix + inserted + after, int(prefix.size() + inserted.size()));
}

namespace {

QString promptWithoutFinalSpace(const QString &prompt)
{
    return prompt.endsWith(u' ') ? prompt.chopped(1) : prompt;
}

} // namespace

bool nameEntryValid(const QString &text, const QString &prompt)
{
    return text.contains(promptWithoutFinalSpace(prompt));
}

QString cleanName(const QString &text, const QString &prompt)
{
    QString name = text;
    const QString core = promptWithoutFinalSpace(prompt);
    if (!core.isEmpty())
        name.remove(core);
    name = trimSpaces(name);
    for (QChar c : QStringView(u"/\\*.,:@&%$\";`'?><=^|#"))
        name.replace(c, u' ');
    name.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    name.remove(u'\t');
    // Whatever control characters are left (a lone CR or LF, a NUL) cannot
    // stand in a file name either: a NUL would cut the name short on disk.
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    }
    return trimSpaces(name);
}

} // namespace TypingRules
