// The editor's rules: the type a key starts with, where the arrows may move a
// key and where an added key goes.  What they do to keys on screen is tested
// with the window (tst_editor).

#include "editorrules.h"

#include <QTest>

using namespace Qt::StringLiterals;
using EditorRules::Arrow;

Q_DECLARE_METATYPE(EditorRules::Arrow)

class TestEditorRules : public QObject
{
    Q_OBJECT

private slots:
    void presetOption_data();
    void presetOption();
    void moveTarget_data();
    void moveTarget();
    void addKey_data();
    void addKey();
};

void TestEditorRules::presetOption_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<int>("option");

    QTest::newRow("green word") << u"word1"_s << u"dog"_s << 3;
    QTest::newRow("red word") << u"word3"_s << u"dog"_s << 10;
    QTest::newRow("suffix") << u"extend"_s << u"s"_s << 4;
    QTest::newRow("text") << u"letter"_s << u"a"_s << 1;
    QTest::newRow("keyboard link") << u"keyboard"_s << u"Numbers"_s << 5;
    QTest::newRow("home link") << u"keyboard"_s << u"Home"_s << 12;
    QTest::newRow("home is case-sensitive") << u"keyboard"_s << u"home"_s << 5;
    QTest::newRow("Home as a word is a word") << u"word1"_s << u"Home"_s << 3;
    QTest::newRow("clear") << u"letter"_s << u"[clear]"_s << 8;
    QTest::newRow("back") << u"letter"_s << u"[back]"_s << 11;
    // The text decides over the kind, whatever the kind.
    QTest::newRow("clear on a purple key") << u"keyboard"_s << u"[clear]"_s << 8;
    QTest::newRow("back as a word") << u"word3"_s << u"[back]"_s << 11;
    QTest::newRow("command texts are case-sensitive") << u"letter"_s << u"[Clear]"_s << 1;
    QTest::newRow("no kind") << QString() << u"x"_s << 2;
}

void TestEditorRules::presetOption()
{
    QFETCH(QString, tag);
    QFETCH(QString, toolTip);
    QFETCH(int, option);
    QCOMPARE(EditorRules::presetOption(tag, toolTip), option);
}

void TestEditorRules::moveTarget_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<Arrow>("arrow");
    QTest::addColumn<int>("lastbutton");
    QTest::addColumn<int>("target"); // 0: no move

    QTest::newRow("up from the first row") << 13 << Arrow::Up << 30 << 0;
    QTest::newRow("up from the second row") << 14 << Arrow::Up << 30 << 2;
    QTest::newRow("left from the first key") << 2 << Arrow::Left << 30 << 0;
    QTest::newRow("right from the last key") << 30 << Arrow::Right << 30 << 0;
    QTest::newRow("down onto the last key") << 18 << Arrow::Down << 30 << 30;
    QTest::newRow("down past the last key") << 19 << Arrow::Down << 30 << 0;
    QTest::newRow("right across a row end") << 13 << Arrow::Right << 30 << 14;
}

void TestEditorRules::moveTarget()
{
    QFETCH(int, index);
    QFETCH(Arrow, arrow);
    QFETCH(int, lastbutton);
    QFETCH(int, target);
    QCOMPARE(EditorRules::moveTarget(index, arrow, lastbutton).value_or(0), target);
}

void TestEditorRules::addKey_data()
{
    QTest::addColumn<int>("lastbutton");
    QTest::addColumn<int>("xpos");
    QTest::addColumn<int>("ypos");
    QTest::addColumn<int>("index"); // 0: nothing added
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");

    QTest::newRow("after a full row") << 13 << 0 << 2 << 14 << 1 << 2;
    QTest::newRow("twelfth of a row") << 12 << 11 << 1 << 13 << 12 << 1;
    QTest::newRow("after the twelfth") << 13 << 12 << 1 << 14 << 1 << 2;
    QTest::newRow("the 120th key") << 120 << 11 << 10 << 121 << 12 << 10;
    QTest::newRow("full keyboard") << 121 << 12 << 10 << 0 << 0 << 0;
}

void TestEditorRules::addKey()
{
    QFETCH(int, lastbutton);
    QFETCH(int, xpos);
    QFETCH(int, ypos);
    QFETCH(int, index);
    QFETCH(int, column);
    QFETCH(int, row);

    const auto added = EditorRules::addKey(lastbutton, xpos, ypos);
    QCOMPARE(added.has_value(), index != 0);
    if (!added)
        return;
    QCOMPARE(added->index, index);
    QCOMPARE(added->column, column);
    QCOMPARE(added->row, row);
    QCOMPARE(added->kind, u"word2"_s);
    QCOMPARE(added->colour, 0x00C0FFFFu);
}

QTEST_GUILESS_MAIN(TestEditorRules)
#include "tst_editorrules.moc"
