// Live typing's difference and the key plans, on a small made-up layout.
// Plans are logged as "+N" press, "-N" release, "N=X" keycode N bound to the
// keysym of character X (N=0 for none) and "~N" a wait of N ms.

#include "keyinjection.h"

#include <cmath>

#include <QSet>

#include <QTest>

using namespace Qt::StringLiterals;
using namespace KeyInjection;

namespace {

// Keysyms as X has them for Unicode characters beyond Latin-1.
quint32 keysymOf(char32_t c)
{
    return c < 0x100 ? quint32(c) : 0x1000000u | quint32(c);
}

QString charOf(quint32 keysym)
{
    if (keysym == kReturn)
        return u"\\r"_s;
    const char32_t c = keysym < 0x100 ? keysym : keysym & 0xffffff;
    return QString::fromUcs4(&c, 1);
}

// Shift is keycode 50, AltGr (Mod5) 92; Mod3 has no key.
Keyboard layout()
{
    static const QHash<quint32, Position> keys = {
        { 'a', { 38, 0 } },
        { 'A', { 38, 1 } },
        { 'b', { 56, 0 } },
        { ' ', { 65, 0 } },
        { kReturn, { 36, 0 } },
        { kTab, { 23, 0 } },
        { kBackSpace, { 22, 0 } },
        { keysymOf(U'€'), { 26, 0x80 } },
        { keysymOf(U'ß'), { 20, 0x81 } },
        { keysymOf(U'ø'), { 32, 0x20 } },
    };
    Keyboard k;
    k.keysymOf = keysymOf;
    k.find = [](quint32 keysym) { return keys.value(keysym); };
    k.modifierKey = [](int bit) { return bit == 0 ? 50u : bit == 7 ? 92u : 0u; };
    return k;
}

QString logOf(const Plan &plan)
{
    QStringList log;
    for (const Event &e : plan.events) {
        switch (e.type) {
        case Event::Press:
            log << u"+%1"_s.arg(e.keycode);
            break;
        case Event::Release:
            log << u"-%1"_s.arg(e.keycode);
            break;
        case Event::Bind:
            log << u"%1=%2"_s.arg(e.keycode).arg(e.keysym ? charOf(e.keysym) : u"0"_s);
            break;
        case Event::Wait:
            log << u"~%1"_s.arg(e.ms);
            break;
        }
    }
    if (plan.skipped)
        log << u"skipped %1"_s.arg(plan.skipped);
    return log.join(u' ');
}

QList<quint32> keycodes(const QString &list)
{
    QList<quint32> out;
    for (const QString &n : list.split(u' ', Qt::SkipEmptyParts))
        out << n.toUInt();
    return out;
}

// What a text field does with the change: BackSpaces, then the text.
QString applied(QString text, const Change &change)
{
    for (int i = 0; i < change.backspaces && !text.isEmpty(); ++i) {
        const bool pair = text.size() > 1
                          && (text.endsWith(u"\r\n"_s)
                              || (text.back().isLowSurrogate()
                                  && text.at(text.size() - 2).isHighSurrogate()));
        text.chop(pair ? 2 : 1);
    }
    return text + change.text;
}

} // namespace

class TestKeyInjection : public QObject
{
    Q_OBJECT

private slots:
    void liveChange_data();
    void liveChange();
    void plan_data();
    void plan();
    void spareTiming_data();
    void spareTiming();
    void textKeysyms_data();
    void textKeysyms();
    void missingCharacters_data();
    void missingCharacters();
    void holdOnABusyMachine_data();
    void holdOnABusyMachine();
    void manySpares();
};

void TestKeyInjection::liveChange_data()
{
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("now");
    QTest::addColumn<int>("backspaces");
    QTest::addColumn<QString>("text");

    QTest::newRow("word typed") << u"Hello "_s << u"Hello world "_s << 0 << u"world "_s;
    QTest::newRow("suggestion completes") << u"Hello wo"_s << u"Hello world "_s << 0 << u"rld "_s;
    QTest::newRow("suffix glues") << u"Hello world "_s << u"Hello worlds "_s << 1 << u"s "_s;
    QTest::newRow("back over line break") << u"one\r\n"_s << u"one"_s << 1 << QString();
    QTest::newRow("delete word and line break") << u"a b\r\nc"_s << u"a "_s << 3 << QString();
    QTest::newRow("line break replaced") << u"ab\r\n"_s << u"ab\rx"_s << 1 << u"\rx"_s;
    QTest::newRow("line break appears") << u"ab\r"_s << u"ab\r\n"_s << 1 << u"\r\n"_s;
    QTest::newRow("emoji changes") << u"x😀"_s << u"x😁"_s << 1 << u"😁"_s;
    QTest::newRow("cleared") << u"é€ 😀\r\n"_s << QString() << 5 << QString();
    QTest::newRow("same") << u"same"_s << u"same"_s << 0 << QString();
}

void TestKeyInjection::liveChange()
{
    QFETCH(QString, sent);
    QFETCH(QString, now);
    QFETCH(int, backspaces);
    QFETCH(QString, text);
    const Change change = KeyInjection::liveChange(sent, now);
    QCOMPARE(change.backspaces, backspaces);
    QCOMPARE(change.text, text);
    QCOMPARE(applied(sent, change), now);
}

void TestKeyInjection::plan_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("held"); // modifier keys held down
    QTest::addColumn<QString>("spares");
    QTest::addColumn<QString>("log");

    QTest::newRow("levels") << u"aA"_s << QString() << QString() << u"+38 -38 +50 +38 -38 -50"_s;
    QTest::newRow("two modifiers")
            << u"ß€"_s << QString() << QString() << u"+50 +92 +20 -20 -92 -50 +92 +26 -26 -92"_s;
    QTest::newRow("line breaks and tab") << u"a\r\nb\n\r\t"_s << QString() << QString()
                                         << u"+38 -38 +36 -36 +56 -56 +36 -36 +36 -36 +23 -23"_s;
    QTest::newRow("held modifiers")
            << u"A"_s << u"50 37"_s << QString() << u"-50 -37 +50 +38 -38 -50 +50 +37"_s;
    QTest::newRow("missing character on a spare") << u"ałbł"_s << QString() << u"200 201"_s
                                                  << u"+38 -38 200=ł +200 -200 +56 -56 +200 -200"_s;
    QTest::newRow("level without a key to reach it")
            << u"ø"_s << QString() << u"200"_s << u"200=ø +200 -200"_s;
    QTest::newRow("capital of a missing letter")
            << u"Łł"_s << QString() << u"200 201"_s << u"200=Ł +200 -200 201=ł +201 -201"_s;
    QTest::newRow("emoji") << u"😀"_s << QString() << u"200"_s << u"200=😀 +200 -200"_s;
    QTest::newRow("no spares") << u"ała"_s << QString() << QString()
                               << u"+38 -38 +38 -38 skipped 1"_s;
    QTest::newRow("controls and lone surrogates")
            << u"a\u0001\u0085b"_s + QChar(0xd800) << QString() << QString()
            << u"+38 -38 +56 -56 skipped 3"_s;
}

void TestKeyInjection::plan()
{
    QFETCH(QString, text);
    QFETCH(QString, held);
    QFETCH(QString, spares);
    QFETCH(QString, log);
    SparePool pool(keycodes(spares));
    const Held down { keycodes(held) };
    QCOMPARE(logOf(planText(text, layout(), down, &pool, 0)), log);
}

// Plans one after another on one pool: each step is "time:text", and the
// keys count as sent at the step's time plus "+N" ms when given.
void TestKeyInjection::spareTiming_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("log");

    QTest::newRow("pool runs out within a plan")
            << u"0:ąćę"_s << u"200=ą +200 -200 201=ć +201 -201 ~50 200=ę +200 -200"_s;
    QTest::newRow("bound keycode reused at once")
            << u"0:ą 1:ą"_s << u"200=ą +200 -200 | +200 -200"_s;
    QTest::newRow("sending took time")
            << u"0:ąć+30 40:ę"_s << u"200=ą +200 -200 201=ć +201 -201 | ~40 200=ę +200 -200"_s;
    QTest::newRow("the keysym needed again stays")
            << u"0:ąć 60:ęą"_s << u"200=ą +200 -200 201=ć +201 -201 | 201=ę +201 -201 +200 -200"_s;
    QTest::newRow("old enough") << u"0:ąć 60:ę"_s
                                << u"200=ą +200 -200 201=ć +201 -201 | 200=ę +200 -200"_s;
}

void TestKeyInjection::spareTiming()
{
    QFETCH(QString, steps);
    QFETCH(QString, log);
    SparePool pool({ 200, 201 });
    QStringList logged;
    for (const QString &step : steps.split(u' ')) {
        const qsizetype colon = step.indexOf(u':');
        const qint64 at = step.left(colon).toLongLong();
        const QStringList textAndDelay = step.mid(colon + 1).split(u'+');
        logged << logOf(planText(textAndDelay.at(0), layout(), {}, &pool, at));
        pool.sent(at + textAndDelay.value(1).toInt());
    }
    QCOMPARE(logged.join(u" | "_s), log);
    // Given back: every bound keycode, once they may change.
    QVERIFY(!pool.bound().isEmpty());
    pool.clear();
    QVERIFY(pool.bound().isEmpty());
}

void TestKeyInjection::textKeysyms_data()
{
    // Keysyms in hex; a character whose keysym is 0 has none.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("keysyms");
    QTest::addColumn<int>("skipped");

    QTest::newRow("latin-1 and beyond") << u"aé€😀"_s << u"61 e9 10020ac 101f600"_s << 0;
    QTest::newRow("every line break is one Return")
            << u"a\r\nb\nc\rd\r\r\n"_s << u"61 ff0d 62 ff0d 63 ff0d 64 ff0d ff0d"_s << 0;
    QTest::newRow("tab") << u"\ta"_s << u"ff09 61"_s << 0;
    QTest::newRow("controls and lone surrogates")
            << QString(QChar(0x01)) + u"a"_s + QChar(0x7f) + QChar(0x85) + u"b"_s + QChar(0xd800)
                       + u"c"_s + QChar(0xdc00)
            << u"61 62 63"_s << 5;
    QTest::newRow("no keysym") << u"a\uffffb"_s << u"61 62"_s << 1;
    QTest::newRow("empty") << QString() << QString() << 0;
}

void TestKeyInjection::textKeysyms()
{
    QFETCH(QString, text);
    QFETCH(QString, keysyms);
    QFETCH(int, skipped);

    int gotSkipped = -1;
    const QList<quint32> got = KeyInjection::textKeysyms(
            text, [](char32_t c) { return c == 0xffff ? 0u : keysymOf(c); }, &gotSkipped);
    QStringList hex;
    for (quint32 k : got)
        hex << QString::number(k, 16);
    QCOMPARE(hex.join(u' '), keysyms);
    QCOMPARE(gotSkipped, skipped);
}

void TestKeyInjection::missingCharacters_data()
{
    // The layout has a key for each character of `layout` (U+FFFF has no
    // keysym at all).
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("missing");

    const QString us = u"Helo, wrd"_s;
    QTest::newRow("all there") << u"Hello, world"_s << us << QStringList();
    QTest::newRow("one lacking, each once")
            << u"Hello, wörld ö ö"_s << us << QStringList { u"ö"_s };
    QTest::newRow("in the order they come")
            << u"€ö€ßö"_s << us << QStringList { u"€"_s, u"ö"_s, u"ß"_s };
    QTest::newRow("a surrogate pair is one character")
            << u"a😀b😀"_s << u"ab"_s << QStringList { u"😀"_s };
    QTest::newRow("a surrogate pair on the layout") << u"😀"_s << u"😀"_s << QStringList();
    // Line breaks and Tab are on every layout, whatever it says.
    QTest::newRow("line breaks and tab") << u"a\r\nb\nc\r\td"_s << u"abcd"_s << QStringList();
    QTest::newRow("never typed: controls and lone surrogates")
            << QString(QChar(0x01)) + u"a"_s + QChar(0x7f) + QChar(0xd800) << u"a"_s
            << QStringList();
    QTest::newRow("no keysym at all")
            << u"a\uffffb"_s << u"ab\uffff"_s << QStringList { u"\uffff"_s };
    QTest::newRow("an empty layout")
            << u"ab a"_s << QString() << QStringList { u"a"_s, u"b"_s, u" "_s };
    QTest::newRow("empty text") << QString() << QString() << QStringList();
}

void TestKeyInjection::missingCharacters()
{
    QFETCH(QString, text);
    QFETCH(QString, layout);
    QFETCH(QStringList, missing);

    auto keysymOfOrNone = [](char32_t c) { return c == 0xffff ? 0u : keysymOf(c); };
    QSet<quint32> keys;
    for (const char32_t c : layout.toUcs4())
        keys.insert(keysymOfOrNone(c));
    QCOMPARE(KeyInjection::missingCharacters(text, keysymOfOrNone,
                                             [&](quint32 keysym) { return keys.contains(keysym); }),
             missing);
}

void TestKeyInjection::holdOnABusyMachine_data()
{
    QTest::addColumn<double>("load");
    QTest::addColumn<int>("processors");
    QTest::addColumn<int>("holdMs");

    QTest::newRow("idle") << 0.0 << 2 << 100;
    QTest::newRow("one per processor") << 2.0 << 2 << 100;
    QTest::newRow("two per processor") << 4.0 << 2 << 200;
    QTest::newRow("compiling on two cores") << 7.0 << 2 << 350;
    QTest::newRow("many processors, same load") << 7.0 << 16 << 100;
    QTest::newRow("overloaded") << 60.0 << 2 << 1000;
    QTest::newRow("no processor count") << 3.0 << 0 << 300;
    QTest::newRow("load unknown") << -1.0 << 2 << 100;
    QTest::newRow("not a number") << std::nan("") << 2 << 100;
    QTest::newRow("infinite") << HUGE_VAL << 2 << 1000;
}

void TestKeyInjection::holdOnABusyMachine()
{
    QFETCH(double, load);
    QFETCH(int, processors);
    QFETCH(int, holdMs);
    QCOMPARE(spareHoldMs(load, processors), holdMs);
}

// Every empty keycode is a spare: a long text of missing characters binds
// each once and never waits; a longer hold set later is kept to.
void TestKeyInjection::manySpares()
{
    QList<quint32> spares;
    for (quint32 k = 150; k < 250; ++k)
        spares.append(k);
    SparePool pool(spares);
    QString text;
    for (char16_t c = u'ā'; c < u'ā' + 60; ++c)
        text += QChar(c);
    const Plan plan = planText(text + text, layout(), {}, &pool, 0);
    int binds = 0, waits = 0;
    for (const Event &e : plan.events) {
        binds += e.type == Event::Bind ? 1 : 0;
        waits += e.type == Event::Wait ? 1 : 0;
    }
    QCOMPARE(binds, 60);
    QCOMPARE(waits, 0);
    QCOMPARE(pool.bound().size(), 60);

    // Two spares and a hold of 300 ms: the third character waits for it.
    SparePool two({ 200, 201 });
    two.setHoldMs(300);
    QCOMPARE(two.holdMs(), 300);
    QCOMPARE(logOf(planText(u"ąćę"_s, layout(), {}, &two, 0)),
             u"200=ą +200 -200 201=ć +201 -201 ~300 200=ę +200 -200"_s);
    two.setHoldMs(10);
    QCOMPARE(two.holdMs(), 50);
}

QTEST_GUILESS_MAIN(TestKeyInjection)
#include "tst_keyinjection.moc"
