// The virtual keyboard's own keymap: each row types a text after an earlier
// one and lists the runs it needs ("+" a new keymap is handed over first, "="
// the one in use serves, then the characters typed).  Every keymap handed
// over is compiled with xkbcommon and must hold each keysym on its keycode.

#include "virtualkeymap.h"

#include <QTest>

#ifdef PLUMTYPE_TEST_XKBCOMMON
#    include <xkbcommon/xkbcommon.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// Test characters are their own keysyms (true for Latin-1); a line break is Return.
quint32 keysymOf(QChar c)
{
    return c == u'\n' ? VirtualKeymap::returnKeysym : c.unicode();
}

QList<quint32> keysymsOf(const QString &text)
{
    QList<quint32> keysyms;
    for (QChar c : text)
        keysyms << keysymOf(c);
    return keysyms;
}

#ifdef PLUMTYPE_TEST_XKBCOMMON
struct Keymap
{
    xkb_keymap *keymap = nullptr;
    ~Keymap() { xkb_keymap_unref(keymap); }
};

// The keysym on `keycode` in `text`, compiled without any XKB files; 0 when
// none, -1 when the text does not compile.
qint64 keysymAt(const QByteArray &text, int keycode)
{
    static xkb_context *context = xkb_context_new(
            xkb_context_flags(XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    Keymap compiled { xkb_keymap_new_from_string(
            context, text.constData(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS) };
    if (!compiled.keymap)
        return -1;
    const xkb_keysym_t *syms = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(compiled.keymap, keycode, 0, 0, &syms);
    return count == 1 ? syms[0] : 0;
}
#endif

} // namespace

class TestVirtualKeymap : public QObject
{
    Q_OBJECT

private slots:
    void plan_data();
    void plan();
    void text_data();
    void text();
};

void TestVirtualKeymap::plan_data()
{
    QTest::addColumn<int>("lastKeycode");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("runs");

    const int full = VirtualKeymap::maxKeycode;
    // Room for the three fixed keys and four characters.
    const int small = VirtualKeymap::firstKeycode + 6;
    QTest::newRow("nothing") << full << u""_s << u""_s << u""_s;
    QTest::newRow("first text") << full << u""_s << u"Hello"_s << u"+Hello"_s;
    QTest::newRow("fixed keys need no keymap") << full << u""_s << u"\n\n"_s << u"=\n\n"_s;
    QTest::newRow("known characters") << full << u"abc"_s << u"cab\n"_s << u"=cab\n"_s;
    QTest::newRow("grows once for the whole text") << full << u"ab"_s << u"abcbd"_s << u"=ab+cbd"_s;
    QTest::newRow("Latin-1") << full << u""_s << u"wörld ©"_s << u"+wörld ©"_s;
    QTest::newRow("fills up exactly") << small << u""_s << u"abcdabcd"_s << u"+abcdabcd"_s;
    QTest::newRow("starts again when full") << small << u""_s << u"abcdef"_s << u"+abcd+ef"_s;
    QTest::newRow("starts again more than once")
            << small << u""_s << u"abcdefghij"_s << u"+abcd+efgh+ij"_s;
    QTest::newRow("full from an earlier text") << small << u"wxyz"_s << u"xa"_s << u"=x+a"_s;
    QTest::newRow("after starting again, old ones come back")
            << small << u""_s << u"abcde\nab"_s << u"+abcd+e\nab"_s;
}

void TestVirtualKeymap::plan()
{
    QFETCH(int, lastKeycode);
    QFETCH(QString, before);
    QFETCH(QString, text);
    QFETCH(QString, runs);

    VirtualKeymap keymap(lastKeycode);
    keymap.plan(keysymsOf(before));
    QByteArray inUse = keymap.text();

    QString described;
    qsizetype at = 0;
    for (const VirtualKeymap::Run &run : keymap.plan(keysymsOf(text))) {
        described += run.keymap.isEmpty() ? u'=' : u'+';
        if (!run.keymap.isEmpty())
            inUse = run.keymap;
        for (int keycode : run.keycodes) {
            QVERIFY(keycode >= VirtualKeymap::firstKeycode && keycode <= lastKeycode);
            const QChar c = text.at(at++);
            described += c;
#ifdef PLUMTYPE_TEST_XKBCOMMON
            QCOMPARE(keysymAt(inUse, keycode), qint64(keysymOf(c)));
#endif
        }
    }
    QCOMPARE(described, runs);
    QVERIFY(keymap.keyCount() <= keymap.capacity());

#ifdef PLUMTYPE_TEST_XKBCOMMON
    // The fixed keys stay in every keymap.
    for (quint32 fixed :
         { VirtualKeymap::returnKeysym, VirtualKeymap::backSpaceKeysym, VirtualKeymap::tabKeysym })
        QCOMPARE(keysymAt(inUse, keymap.keycode(fixed)), qint64(fixed));
#else
    QSKIP("built without xkbcommon: the keymap texts were not compiled");
#endif
}

// The key lines of the text, as written, and that the text asked for after
// the keys change is that of the keys then: the last keymap handed over, or
// the fixed keys' after starting again.
void TestVirtualKeymap::text_data()
{
    QTest::addColumn<int>("lastKeycode");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("reset");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArrayList>("absent");

    const int full = VirtualKeymap::maxKeycode;
    const int small = VirtualKeymap::firstKeycode + 4;
    QTest::newRow("fixed keys") << full << u""_s << false
                                << QByteArrayList { "        <K009> = 9;\n",
                                                    "        <K011> = 11;\n",
                                                    "        key <K009> { [ 0x0000ff0d ] };\n",
                                                    "        key <K010> { [ 0x0000ff08 ] };\n",
                                                    "        key <K011> { [ 0x0000ff09 ] };\n" }
                                << QByteArrayList { "<K012>" };
    QTest::newRow("grown") << full << u"a©a"_s << false
                           << QByteArrayList { "        <K012> = 12;\n", "        <K013> = 13;\n",
                                               "        key <K012> { [ 0x00000061 ] };\n",
                                               "        key <K013> { [ 0x000000a9 ] };\n" }
                           << QByteArrayList { "<K014>" };
    QString many;
    for (char16_t c = 0x100; c < 0x100 + 150; ++c)
        many += QChar(c);
    QTest::newRow("three-digit keycodes")
            << full << many << false
            << QByteArrayList { "        <K099> = 99;\n", "        <K100> = 100;\n",
                                "        <K161> = 161;\n",
                                "        key <K100> { [ 0x00000158 ] };\n",
                                "        key <K161> { [ 0x00000195 ] };\n" }
            << QByteArrayList { "<K162>" };
    // Room for two characters besides the fixed keys.
    QTest::newRow("started again") << small << u"abc"_s << false
                                   << QByteArrayList { "        key <K012> { [ 0x00000063 ] };\n" }
                                   << QByteArrayList { "0x00000061", "0x00000062", "<K013>" };
    QTest::newRow("back to the fixed keys")
            << full << u"ab"_s << true
            << QByteArrayList { "        key <K011> { [ 0x0000ff09 ] };\n" }
            << QByteArrayList { "<K012>", "0x00000061" };
}

void TestVirtualKeymap::text()
{
    QFETCH(int, lastKeycode);
    QFETCH(QString, typed);
    QFETCH(bool, reset);
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArrayList, absent);

    VirtualKeymap keymap(lastKeycode);
    const QByteArray fixedKeys = keymap.text();
    const QList<VirtualKeymap::Run> runs = keymap.plan(keysymsOf(typed));
    if (reset)
        keymap.reset();
    const QByteArray text = keymap.text();
    if (reset || typed.isEmpty())
        QCOMPARE(text, fixedKeys);
    else
        QCOMPARE(text, runs.last().keymap);
    QVERIFY(text.startsWith("xkb_keymap {\n") && text.endsWith("    };\n};\n"));
    for (const QByteArray &line : lines)
        QVERIFY2(text.contains(line), line.constData());
    for (const QByteArray &part : absent)
        QVERIFY2(!text.contains(part), part.constData());
}

QTEST_GUILESS_MAIN(TestVirtualKeymap)
#include "tst_virtualkeymap.moc"
