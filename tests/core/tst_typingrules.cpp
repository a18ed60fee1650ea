#include "typingrules.h"

#include <QTest>

#include <utility>

using namespace Qt::StringLiterals;
using namespace TypingRules;

namespace {

// A text with the caret marked "ab|c", or a selection marked "a|bc|".
struct Marked
{
    QString text;
    int selStart = 0;
    int selLength = 0;
};

Marked unmark(QString s)
{
    const qsizetype a = s.indexOf(u'|'), b = s.indexOf(u'|', a + 1);
    s.remove(u'|');
    return { s, int(a), b < 0 ? 0 : int(b - a - 1) };
}

// The new text with the caret marked, then what else the edit did; tp is
// named only where it differs from the caret.
QString outcome(const Edit &e)
{
    QStringList out { QString(e.text).insert(e.selStart, u'|') };
    if (e.tp != e.selStart)
        out << u"tp=%1"_s.arg(e.tp);
    const std::pair<bool, QString> words[] = { { e.clearSuggestions, u"clear"_s },
                                               { e.disableSuggestions, u"disable"_s },
                                               { e.ended, u"ended"_s },
                                               { !e.ok, u"failed"_s },
                                               { e.addsWord, u"add:"_s + e.addedWord } };
    for (const auto &[on, word] : words) {
        if (on)
            out << word;
    }
    return out.join(u' ');
}

void row(const char *name, const QString &key, const QString &before, const QString &after)
{
    QTest::newRow(name) << key << before << after;
}

} // namespace

class TestTypingRules : public QObject
{
    Q_OBJECT

private slots:
    void edits_data();
    void edits();
    void typedWord_data();
    void typedWord();
    void nameEntry_data();
    void nameEntry();
};

// The key is a command, "<kind>:<key text>" for typing keys and key-text
// entry, or "pick:<tool-tip>" for a suggestion click while tp holds 3.
void TestTypingRules::edits_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");

    row("text: replaces a selection", u"text:go\r\nhome"_s, u"a |b|c"_s, u"a go home|c"_s);
    row("word: after Hello. and a space", u"word:world"_s, u"Hello. |"_s,
        u"Hello. World | clear"_s);
    row("word: behind Hello and a space", u"word:world"_s, u"Hello |"_s, u"Hello world |"_s);
    row("word: empty area", u"word:world"_s, u"|"_s, u"World |"_s);
    row("word: one character before", u"word:bee"_s, u"a|"_s, u"aBee |"_s);
    row("word: new york", u"word:new york"_s, u"Hi! |"_s, u"Hi! New york | clear"_s);
    row("word: after a line break", u"word:you"_s, u"Hi\r\n|"_s, u"Hi\r\nYou | clear"_s);
    row("word: replaces a selection", u"word:dog"_s, u"the |cat| sat"_s, u"the dog | sat"_s);
    row("suffix: . behind end and a space", u"suffix:."_s, u"end |"_s, u"end. | clear"_s);
    row("suffix: s behind dog and a space", u"suffix:s"_s, u"dog |"_s, u"dogs |"_s);
    row("suffix: comma without space", u"suffix:,"_s, u"end|"_s, u"end, | clear"_s);
    row("suffix: at the very start", u"suffix:s"_s, u"|dog"_s, u"do|g failed"_s);
    row("suffix: end of the text decides", u"suffix:s"_s, u"one| two. "_s, u"ones | two.  clear"_s);
    row("[space] goes to the end", u"[space]"_s, u"a|b"_s, u"ab | tp=0"_s);
    row("[return] replaces a selection", u"[return]"_s, u"a|b|c"_s, u"a\r\n|c"_s);
    row("[return] on an add-word line", u"[return]"_s, u"[Add Word]  new| york "_s,
        u"| tp=1 add:new york"_s);
    row("[return] marker not at the start", u"[return]"_s, u" [add word]x|"_s,
        u" [add word]x\r\n|"_s);
    row("[back] a CR LF pair at once", u"[back]"_s, u"ab\r\n|cd"_s, u"ab|cd"_s);
    row("[back] exactly one before", u"[back]"_s, u"a|b|c"_s, u"|c ended"_s);
    row("[back] nothing before", u"[back]"_s, u"|abc"_s, u"abc| tp=0 failed"_s);
    row("[back] line break at the start", u"[back]"_s, u"\r\n|ab"_s, u"ab| tp=0"_s);
    row("[back] with a selection", u"[back]"_s, u"ab|c|d"_s, u"a|d"_s);
    row("[delete] one two and a space", u"[delete]"_s, u"one two |x"_s, u"one |x disable"_s);
    row("[delete] again", u"[delete]"_s, u"one |"_s, u"| disable"_s);
    row("[delete] takes the line break", u"[delete]"_s, u"a one\r\ntwo|"_s, u"a | disable"_s);
    row("[delete] two spaces lose one", u"[delete]"_s, u"ab  |"_s, u"ab | disable"_s);
    row("[delete] nothing before", u"[delete]"_s, u"|abc"_s, u"abc| tp=0 failed"_s);
    row("entry: command text is typed", u"entry:[space]"_s, u"x|"_s, u"x[space]|"_s);
    row("entry: no text appends a space", u"entry:"_s, u"a|b"_s, u"ab| "_s);
    row("entry: [lock] at the start", u"entry:[lock]"_s, u"|ab"_s, u"ab| tp=0"_s);
    row("entry: [back] a CR LF pair", u"entry:[back]"_s, u"a\r\n|"_s, u"a|"_s);
    row("entry: [back] one before", u"entry:[back]"_s, u"a|b"_s, u"|b ended"_s);
    row("entry: [back] nothing before", u"entry:[back]"_s, u"|ab|c"_s, u"c| tp=0 failed"_s);
    row("pick: then at the start", u"pick:then "_s, u"th|"_s, u"Then |"_s);
    row("pick: after Hi. and a space", u"pick:then "_s, u"Hi. th|"_s, u"Hi. Then |"_s);
    row("pick: after hi and a space", u"pick:then "_s, u"hi th|"_s, u"hi then |"_s);
    row("pick: typed capital kept", u"pick:then "_s, u"hi Th|"_s, u"hi Then |"_s);
    row("pick: behind an opening bracket", u"pick:then "_s, u"say (th|"_s, u"say (then |"_s);
    row("pick: the sign's last place", u"pick:then "_s, u"x (a(th|"_s, u"x (a(then |"_s);
    row("pick: quote at the start goes", u"pick:then "_s, u"\"th|"_s, u"Then |"_s);
    row("pick: caret behind the sign", u"pick:then "_s, u"a (|"_s, u"a (Then |"_s);
    row("pick: no capital on a new line", u"pick:then "_s, u"hi\r\nth|"_s, u"hi\r\nthen |"_s);
    row("pick: word behind the space", u"pick:then "_s, u"say th |"_s, u"say then |"_s);
    row("pick: selection replaced too", u"pick:then "_s, u"hi th|XX| end"_s, u"hi then | end"_s);
    row("pick: leading spaces shift", u"pick:cdr "_s, u"  ab cd|"_s, u"  acdr |"_s);
    row("pick: one-character prefix", u"pick:then "_s, u"\nth|"_s, u"\nth|"_s);
    row("pick: blank tool-tip", u"pick:  "_s, u"hi th|"_s, u"hi th| tp=3 ended"_s);
}

void TestTypingRules::edits()
{
    QFETCH(QString, key);
    QFETCH(QString, before);

    const Marked m = unmark(before);
    const qsizetype colon = key.indexOf(u':');
    const QString kind = key.left(colon), keyText = key.mid(colon + 1);
    Edit e;
    if (kind == u"text")
        e = insertText(m.text, m.selStart, m.selLength, keyText);
    else if (kind == u"word")
        e = insertWord(m.text, m.selStart, m.selLength, keyText);
    else if (kind == u"suffix")
        e = insertSuffix(m.text, m.selStart, m.selLength, keyText);
    else if (kind == u"entry")
        e = keyTextEntry(m.text, m.selStart, m.selLength, keyText);
    else if (kind == u"pick")
        e = wordSelectClick(m.text, m.selStart, m.selLength, keyText, 3);
    else if (key == u"[space]")
        e = spaceKey(m.text);
    else if (key == u"[return]")
        e = returnKey(m.text, m.selStart, m.selLength);
    else if (key == u"[back]")
        e = backKey(m.text, m.selStart, m.selLength);
    else
        e = deleteKey(m.text, m.selStart, m.selLength);
    QTEST(outcome(e), "after");
}

// The caret mark is tp.
void TestTypingRules::typedWord_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("typedword");
    QTest::addColumn<bool>("refresh");
    QTest::addColumn<QString>("stripped");

    QTest::newRow("Hel") << u"Say Hel|"_s << u"Hel"_s << true << u"Hel"_s;
    QTest::newRow("quoted hel") << u"say \"hel|"_s << u"hel"_s << true << u"hel"_s;
    QTest::newRow("hello and a space") << u"hello |"_s << u"hello"_s << true << u"hello"_s;
    QTest::newRow("e.g skips") << u"see e.g|"_s << u"e.g"_s << false << u"e.g"_s;
    QTest::newRow("end. refreshes") << u"the end.|"_s << u"end."_s << true << u"end."_s;
    QTest::newRow("tp 0") << u"|hello"_s << QString() << true << QString();
    QTest::newRow("after a line break") << u"one\r\ntwo|"_s << u"two"_s << true << u"two"_s;
    QTest::newRow("only the first sign goes") << u"x ((y|"_s << u"(y"_s << true << u"(y"_s;
    QTest::newRow("lone LF stripped") << u"ab\n|"_s << u"ab\n"_s << true << u"ab"_s;
}

void TestTypingRules::typedWord()
{
    QFETCH(QString, text);

    const Marked m = unmark(text);
    const QString word = TypingRules::typedWord(m.text, m.selStart);
    QTEST(word, "typedword");
    QTEST(!skipsRefresh(word), "refresh");
    QTEST(stripTypedWord(word), "stripped");
    QCOMPARE(TypingRules::typedWord(m.text, 99), TypingRules::typedWord(m.text, m.text.size()));
}

void TestTypingRules::nameEntry_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("name");

    const QString p = u"Name your file: "_s;
    QTest::newRow("my/letter") << p + u"my/letter\r\n"_s << true << u"my letter"_s;
    QTest::newRow("... is empty") << p + u"...\r\n"_s << true << QString();
    QTest::newRow("all 21 signs") << p + u"a/\\*.,:@&%$\";`'?><=^|#b-_()!\r\n"_s << true
                                  << u"a"_s + QString(21, u' ') + u"b-_()!"_s;
    QTest::newRow("tabs and line breaks")
            << p + u"\tto\tdo\r\nlist \r\n"_s << true << u"todo list"_s;
    QTest::newRow("control characters left over")
            << p + u"a\r\tb\nc\u0000d\r\n"_s << true << u"a b c d"_s;
    QTest::newRow("final space deleted") << u"Name your file:note\r\n"_s << true << u"note"_s;
    QTest::newRow("prompt cut") << u"Name your fil x\r\n"_s << false << u"Name your fil x"_s;
}

void TestTypingRules::nameEntry()
{
    QFETCH(QString, text);

    QTEST(nameEntryValid(text, u"Name your file: "_s), "valid");
    QTEST(cleanName(text, u"Name your file: "_s), "name");
}

QTEST_GUILESS_MAIN(TestTypingRules)

#include "tst_typingrules.moc"
