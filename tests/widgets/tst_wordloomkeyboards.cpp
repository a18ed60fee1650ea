// Keyboards made by Wordloom, moved into the Keyboards folder, opened and
// typed with in the real window: the group keyboard, its links to the pages,
// the links from page to page and back.

#include "driving.h"
#include "testfolder.h"

#include "wordimport.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

class TestWordloomKeyboards : public QObject
{
    Q_OBJECT

private slots:
    void importedKeyboardsType();
};

void TestWordloomKeyboards::importedKeyboardsType()
{
    // 111 animals: two pages; "Cat" and "cat" one key; a title with a slash.
    QStringList input { "My Animals", "Cat", "cat" };
    for (int i = 1; i <= 109; ++i)
        input.append(u"beast%1"_s.arg(i, 3, 10, QChar(u'0')));
    input += QStringList { "zebra", "", "Cats/Dogs", "Rex", "", "end" };
    QTemporaryDir made;
    const QString lists = made.filePath(u"WordLists.txt"_s);
    QVERIFY(TextFile::write(lists, TextFile::joinLines(input)));
    WordImport::Import import(lists, u"New Keyboard List"_s, made.path());
    QVERIFY2(import.writeAll(), qPrintable(import.error()));

    // The user moves them into the Keyboards folder.
    TestFolder folder;
    for (const QString &path : import.written())
        QVERIFY(QFile::copy(path, folder.file(u"Keyboards/"_s + QFileInfo(path).fileName())));

    auto started = folder.start(0);
    Form1 *w = started.get();
    w->loadmap(w->keyboardPath(u"NewKeyboardList.kbd"_s));
    QCOMPARE(w->FileName, u"NewKeyboardList.kbd"_s);

    QVERIFY(click(w, u"My Animals"_s));
    QCOMPARE(w->FileName, u"MyAnimals.kbd"_s);
    // Six common keys, 110 words, two links and the edit key: all placed.
    QCOMPARE(w->lastbutton - 1, 6 + 110 + 2 + 1);
    QVERIFY(click(w, u"Cat"_s));
    QVERIFY(keyIndex(w, u"cat"_s) == 0);
    QVERIFY(click(w, u"beast001"_s));
    QCOMPARE(w->Text1->Text(), u"Cat beast001 "_s);

    QVERIFY(click(w, u"My Animals2"_s));
    QCOMPARE(w->FileName, u"MyAnimals2.kbd"_s);
    QVERIFY(click(w, u"zebra"_s));
    QCOMPARE(w->Text1->Text(), u"Cat beast001 zebra "_s);

    QVERIFY(click(w, u"New Keyboard List"_s));
    QCOMPARE(w->FileName, u"NewKeyboardList.kbd"_s);
    QVERIFY(click(w, u"CatsDogs"_s));
    QCOMPARE(w->FileName, u"CatsDogs.kbd"_s);
    QVERIFY(click(w, u"Rex"_s));
    QVERIFY(click(w, u"Home"_s));
    QCOMPARE(w->FileName.toLower(), u"home.kbd"_s);
    QCOMPARE(w->Text1->Text(), u"Cat beast001 zebra Rex "_s);
}

QTEST_MAIN(TestWordloomKeyboards)
#include "tst_wordloomkeyboards.moc"
