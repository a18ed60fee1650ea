// Typing rules: what keys do to the typed text and the caret.

#include "fuzzcheck.h"

#include "folderlookup.h"
#include "textfile.h"
#include "typingrules.h"

using TypingRules::Edit;

namespace {

// The typing area's view of a text: every line break a CR LF pair.
QString crLfView(const QString &s)
{
    QString t = s;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    t.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return t;
}

// CR and LF that are not part of a CR LF pair.
int loneBreaks(const QString &s)
{
    int n = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i) == u'\r' && (i + 1 == s.size() || s.at(i + 1) != u'\n'))
            ++n;
        if (s.at(i) == u'\n' && (i == 0 || s.at(i - 1) != u'\r'))
            ++n;
    }
    return n;
}

bool insidePair(const QString &s, qsizetype p)
{
    return p > 0 && p < s.size() && s.at(p - 1) == u'\r' && s.at(p) == u'\n';
}

QString what(const QString &text, int selStart, int selLength, const QString &key)
{
    return shown(text) + QStringLiteral(" at %1+%2 key ").arg(selStart).arg(selLength) + shown(key);
}

// The caret after any edit stands within the text, where tp sends it.
void checkCaret(const Edit &e, const QString &context)
{
    if (e.ended)
        return;
    FUZZ_CHECK(e.selStart >= 0 && e.selStart <= e.text.size(),
               context + QStringLiteral(" caret %1 in ").arg(e.selStart) + shown(e.text));
    FUZZ_CHECK(e.selStart == TypingRules::caretFor(e.text, e.tp), context);
}

// Deleting never splits a CR LF pair: no lone CR or LF appears.
void checkDeletion(const Edit &e, const QString &text, const QString &context)
{
    FUZZ_CHECK(loneBreaks(e.text) <= loneBreaks(text),
               context + QStringLiteral(" gave ") + shown(e.text));
}

void checkAnyPosition(const QString &text, int selStart, int selLength, const QString &key)
{
    const QString c = what(text, selStart, selLength, key);
    checkCaret(TypingRules::insertText(text, selStart, selLength, key), c);
    checkCaret(TypingRules::insertWord(text, selStart, selLength, key), c);
    checkCaret(TypingRules::insertSuffix(text, selStart, selLength, key), c);
    checkCaret(TypingRules::spaceKey(text), c);
    checkCaret(TypingRules::returnKey(text, selStart, selLength), c);
    checkCaret(TypingRules::backKey(text, selStart, selLength), c);
    checkCaret(TypingRules::deleteKey(text, selStart, selLength), c);
    checkCaret(TypingRules::keyTextEntry(text, selStart, selLength, key), c);
    checkCaret(TypingRules::wordSelectClick(text, selStart, selLength, key, selStart), c);
    const QString word = TypingRules::typedWord(text, selStart);
    FUZZ_CHECK(!word.contains(u' '), c + QStringLiteral(" typed word ") + shown(word));
}

// Edits at a caret and selection the typing area can have: within the text,
// never inside a CR LF pair, on text whose line breaks are CR LF pairs.
void checkInView(const QString &text, int selStart, int selLength, const QString &key)
{
    const QString c = what(text, selStart, selLength, key);
    const QString before = text.left(selStart);
    const QString after = text.mid(selStart + selLength);

    const Edit back = TypingRules::backKey(text, selStart, selLength);
    checkDeletion(back, text, c);
    if (!before.isEmpty()) {
        // One character or one CR LF pair goes, with the selection.
        const int gone = before.endsWith(QLatin1String("\r\n")) ? 2 : 1;
        FUZZ_CHECK(back.text == before.chopped(gone) + after,
                   c + QStringLiteral(" back gave ") + shown(back.text));
    }
    const Edit del = TypingRules::deleteKey(text, selStart, selLength);
    checkDeletion(del, text, c);
    if (!before.isEmpty()) {
        // Back to the space in front of the word, which stays.
        FUZZ_CHECK(del.text.endsWith(after), c);
        const QString kept = del.text.chopped(after.size());
        const QString removed = before.mid(kept.size());
        FUZZ_CHECK(before.startsWith(kept) && (kept.isEmpty() || kept.endsWith(u' ')),
                   c + QStringLiteral(" delete gave ") + shown(del.text));
        FUZZ_CHECK(!removed.chopped(removed.isEmpty() ? 0 : 1).contains(u' '),
                   c + QStringLiteral(" delete gave ") + shown(del.text));
    }
    checkDeletion(TypingRules::keyTextEntry(text, selStart, selLength, QStringLiteral("[back]")),
                  text, c);

    // A word goes in with one space behind it and the caret behind the space.
    const QString flatKey = TypingRules::flattenLineBreaks(key);
    const Edit word = TypingRules::insertWord(text, selStart, selLength, key);
    FUZZ_CHECK(word.text.startsWith(before) && word.text.endsWith(after)
                       && word.text.size() == before.size() + flatKey.size() + 1 + after.size(),
               c + QStringLiteral(" word gave ") + shown(word.text));
    const QString typed = word.text.mid(before.size(), flatKey.size() + 1);
    const QChar first = (flatKey + u' ').at(0);
    FUZZ_CHECK(typed.mid(1) == (flatKey + u' ').mid(1)
                       && (typed.at(0) == first || typed.at(0) == first.toUpper()),
               c + QStringLiteral(" word gave ") + shown(word.text));
    FUZZ_CHECK(word.selStart == before.size() + typed.size(), c);

    // Typing and then going back restores the text, where the key holds no
    // line break.
    if (!key.isEmpty() && !key.contains(u'\r') && !key.contains(u'\n')
        && !TypingRules::isAddWordLine(text)) {
        Edit e = TypingRules::insertText(text, selStart, 0, key);
        int caret = selStart + int(key.size());
        FUZZ_CHECK(e.selStart == caret, c);
        for (qsizetype i = 0; i < key.size(); ++i) {
            const QString was = e.text;
            e = TypingRules::backKey(e.text, caret, 0);
            checkDeletion(e, was, c);
            --caret;
            if (!e.ended && caret > 0)
                FUZZ_CHECK(e.selStart == caret, c);
        }
        FUZZ_CHECK(e.text == text, c + QStringLiteral(" typed and backed out as ") + shown(e.text));
        // A line break, then back: the pair goes as one.
        const Edit line = TypingRules::returnKey(text, selStart, 0);
        FUZZ_CHECK(line.selStart == selStart + 2, c);
        FUZZ_CHECK(TypingRules::backKey(line.text, line.selStart, 0).text == text, c);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const int rawStart = int(in.takeInt(0xFFFFu)) - 4;
    const int rawLength = int(in.takeInt(0xFFFFu)) - 4;
    const QString key = TextFile::decode(in.takeUntil('\x1F'));
    const QString text = TextFile::decode(in.rest());

    checkAnyPosition(text, rawStart, rawLength, key);
    checkAnyPosition(text, int(std::min<qsizetype>(rawStart, text.size())), rawLength, key);

    const QString view = crLfView(text);
    int selStart = std::clamp(rawStart, 0, int(view.size()));
    if (insidePair(view, selStart))
        ++selStart;
    int selLength = std::clamp(rawLength, 0, int(view.size()) - selStart);
    if (insidePair(view, selStart + selLength))
        ++selLength;
    checkInView(view, selStart, selLength, key);

    // The add-word line: the word behind the marker, and an empty area.
    if (TypingRules::isAddWordLine(view)) {
        const Edit e = TypingRules::returnKey(view, selStart, selLength);
        FUZZ_CHECK(e.addsWord && e.text.isEmpty(), shown(view));
        FUZZ_CHECK(e.addedWord == TypingRules::addWordText(view), shown(e.addedWord));
    }
    FUZZ_CHECK(TypingRules::isAddWordLine(QStringLiteral("[ADD WORD]") + text), shown(text));

    // A name typed behind a prompt: none of the signs a file name cannot
    // hold, nothing around it, one name inside its folder.
    const QString name = TypingRules::cleanName(text, key);
    FUZZ_CHECK(!name.startsWith(u' ') && !name.endsWith(u' ') && !name.contains(u'\t'),
               shown(name));
    for (QChar sign : QStringView(u"/\\*.,:@&%$\";`'?><=^|#"))
        FUZZ_CHECK(!name.contains(sign), shown(name));
    for (QChar c : name)
        FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() != 0x7F, shown(name));
    FUZZ_CHECK(name.isEmpty() || FolderLookup::isPlainName(name), shown(name));
    return 0;
}
