// The keyboard map as the user sees it: keys placed on the grid with their
// kinds, colours and faces, the edit key, and the window title.

#include "testfolder.h"

#include "screensize.h"
#include "surface/twips.h"

#include <QAccessible>
#include <QImage>
#include <QPointer>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestKeyboardMap : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startsOnHomeKeyboard();
    void placesKeysOnTheGrid();
    void editKey_data();
    void editKey();
    void titleCountsWords();
    void systemKeyboardsKeepTitle();
    void labelKeysRememberWholeText();
    void missingFileGivesEditKeyAlone();
    void emptyFileNameLeavesMapEmpty();
    void nameLeadingOutOfFolderIsMissing();
    void findsFileInAnotherCase();
    void commandKeysShowPictures();
    void coloursByKind();
    void sendKeyShowsItsPicture_data();
    void sendKeyShowsItsPicture();
    void pauseWaitsItsWholeTime_data();
    void pauseWaitsItsWholeTime();

private:
    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<Form1> m_w;
    void load(const QStringList &lines, const QString &name = QStringLiteral("test.kbd"))
    {
        m_folder->keyboard(name, lines);
        m_w->loadmap(m_w->keyboardPath(name));
    }
    int visibleKeys() const
    {
        int n = 0;
        for (int i = 2; i <= 121; ++i)
            n += m_w->Command1(i)->isVisible() ? 1 : 0;
        return n;
    }
};

void TestKeyboardMap::init()
{
    m_folder = std::make_unique<TestFolder>();
    m_w = m_folder->start();
}

void TestKeyboardMap::cleanup()
{
    m_w.reset();
    m_folder.reset();
}

void TestKeyboardMap::startsOnHomeKeyboard()
{
    QCOMPARE(m_w->FileName, QStringLiteral("home.kbd"));
    QCOMPARE(m_w->windowTitle(), QStringLiteral("Plumtype - home.kbd - (0)"));
    QVERIFY(m_w->lastbutton > 2);
    QCOMPARE(visibleKeys(), m_w->lastbutton - 1);
    QVERIFY(!m_w->Image1->isVisible());
    // The user word file is made on the first start.
    QVERIFY(QFile::exists(m_folder->file(QStringLiteral("words/UserAdded.txt"))));
}

void TestKeyboardMap::placesKeysOnTheGrid()
{
    QStringList lines;
    for (int i = 1; i <= 7; ++i)
        lines << QStringLiteral("001|w%1").arg(i);
    load(lines);
    QCOMPARE(m_w->lastbutton, 9);
    QCOMPARE(m_w->xpos, 8);
    QCOMPARE(m_w->ypos, 1);
    const FaceButton *anchor = m_w->Command1(1);
    for (int i = 2; i <= 9; ++i) {
        const FaceButton *key = m_w->Command1(i);
        QVERIFY(key->isVisible());
        QVERIFY(key->isEnabled());
        QCOMPARE(key->size(), anchor->size());
        QCOMPARE(key->y(), anchor->y());
        QVERIFY(qAbs(key->x() - (anchor->x() + anchor->width() * (i - 2))) <= 1);
        QCOMPARE(key->TabIndex, i);
    }
    QCOMPARE(m_w->Command1(2)->ToolTipText, QStringLiteral("w1"));
    QCOMPARE(m_w->Command1(9)->ToolTipText, QStringLiteral("[edit]"));
    QCOMPARE(m_w->Command1(9)->Tag, QStringLiteral("letter"));
    for (int i = 10; i <= 121; ++i) {
        const FaceButton *slot = m_w->Command1(i);
        QVERIFY(!slot->isVisible());
        QVERIFY(!slot->isEnabled());
        QVERIFY(slot->Tag.isEmpty());
        QVERIFY(slot->ToolTipText.isEmpty());
    }

    // A row break moves the next key to the start of the next row.
    load({ QStringLiteral("001|a"), QStringLiteral("999|/"), QStringLiteral("001|b") });
    QCOMPARE(m_w->Command1(3)->y(), anchor->y() + anchor->height());
    QCOMPARE(m_w->Command1(3)->x(), anchor->x());
}

void TestKeyboardMap::editKey_data()
{
    QTest::addColumn<int>("keys");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("lastbutton");
    QTest::addColumn<bool>("editKeyAdded");

    QTest::newRow("12 keys: edit key opens row 2") << 12 << "test.kbd" << 14 << true;
    QTest::newRow("119 keys: edit key is the 120th") << 119 << "test.kbd" << 121 << true;
    QTest::newRow("120 keys: no room") << 120 << "test.kbd" << 121 << false;
    QTest::newRow("130 keys: cut at 120") << 130 << "test.kbd" << 121 << false;
    QTest::newRow("Okay.kbd") << 1 << "Okay.kbd" << 2 << false;
    QTest::newRow("tmpkb.kbd") << 1 << "tmpkb.kbd" << 3 << true;
}

void TestKeyboardMap::editKey()
{
    QFETCH(int, keys);
    QFETCH(QString, name);
    QFETCH(int, lastbutton);
    QFETCH(bool, editKeyAdded);
    QStringList lines;
    for (int i = 1; i <= keys; ++i)
        lines << QStringLiteral("002|k%1").arg(i);
    if (name == u"tmpkb.kbd") {
        TextFile::write(m_folder->file(name), TextFile::joinLines(lines));
        m_w->loadmap(m_folder->file(name));
    } else {
        load(lines, name);
    }
    QCOMPARE(m_w->lastbutton, lastbutton);
    QCOMPARE(m_w->Command1(lastbutton)->ToolTipText == u"[edit]", editKeyAdded);
    QCOMPARE(visibleKeys(), lastbutton - 1);
    if (keys == 12) {
        const FaceButton *anchor = m_w->Command1(1);
        QCOMPARE(m_w->Command1(14)->x(), anchor->x());
        QCOMPARE(m_w->Command1(14)->y(), anchor->y() + anchor->height());
    }
}

void TestKeyboardMap::titleCountsWords()
{
    m_w->Text1->setText(QStringLiteral("Hello big world"));
    m_w->loadmap(m_w->keyboardPath(QStringLiteral("home.kbd")));
    QCOMPARE(m_w->windowTitle(), QStringLiteral("Plumtype - home.kbd - (3)"));
    m_w->Text1->setText(QString());
    m_w->loadmap(m_w->keyboardPath(QStringLiteral("home.kbd")));
    QCOMPARE(m_w->windowTitle(), QStringLiteral("Plumtype - home.kbd - (0)"));
}

void TestKeyboardMap::systemKeyboardsKeepTitle()
{
    // Typing updates the title of an ordinary keyboard; an answer keyboard
    // leaves it as it was.
    m_w->Text1->setText(QStringLiteral("one two"));
    const QString before = m_w->windowTitle();
    QCOMPARE(before, QStringLiteral("Plumtype - home.kbd - (2)"));
    m_w->loadmap(m_w->keyboardPath(QStringLiteral("Okay.kbd")));
    QCOMPARE(m_w->FileName, QStringLiteral("Okay.kbd"));
    QCOMPARE(m_w->windowTitle(), before);
    for (int i = 2; i <= m_w->lastbutton; ++i)
        QVERIFY(m_w->Command1(i)->ToolTipText.toLower() != u"[edit]");
}

void TestKeyboardMap::labelKeysRememberWholeText()
{
    load({ QStringLiteral("002|Hi|Hello there"), QStringLiteral("001|plain") });
    QCOMPARE(m_w->Command1(2)->ToolTipText, QStringLiteral("Hello there"));
    QCOMPARE(m_w->keyinfo[2], QStringLiteral("Hi|Hello there"));
    QVERIFY(m_w->keyinfo[3].isEmpty());
    // The slot that held a label key holds a plain key in the next keyboard.
    load({ QStringLiteral("001|plain"), QStringLiteral("001|other") });
    QVERIFY(m_w->keyinfo[2].isEmpty());
}

void TestKeyboardMap::missingFileGivesEditKeyAlone()
{
    m_w->loadmap(m_w->keyboardPath(QStringLiteral("nosuch.kbd")));
    QCOMPARE(m_w->FileName, QStringLiteral("nosuch.kbd"));
    QCOMPARE(m_w->lastbutton, 2);
    QCOMPARE(m_w->Command1(2)->ToolTipText, QStringLiteral("[edit]"));
    QVERIFY(!m_w->loadingmap);
}

void TestKeyboardMap::emptyFileNameLeavesMapEmpty()
{
    const QString title = m_w->windowTitle();
    m_w->loadmap(m_w->programFolder() + QStringLiteral("/Keyboards/.kbd"));
    QCOMPARE(visibleKeys(), 0);
    QCOMPARE(m_w->windowTitle(), title);
    QVERIFY(!m_w->loadingmap);
}

void TestKeyboardMap::nameLeadingOutOfFolderIsMissing()
{
    // A keyboard outside the Keyboards folder is not read through a link name.
    TextFile::write(m_folder->file(QStringLiteral("secret.kbd")),
                    TextFile::joinLines({ QStringLiteral("001|secret") }));
    m_w->loadmap(m_w->keyboardPath(QStringLiteral("../secret.kbd")));
    for (int i = 2; i <= m_w->lastbutton; ++i)
        QVERIFY(m_w->Command1(i)->ToolTipText != u"secret");
    // A full path may hold ".." on the way to its folder (a program folder
    // given as bin/../share): it is read.
    m_w->loadmap(m_w->programFolder() + QStringLiteral("/Keyboards/../Keyboards/home.kbd"));
    QVERIFY(m_w->lastbutton > 2);
}

void TestKeyboardMap::findsFileInAnotherCase()
{
    m_folder->keyboard(QStringLiteral("MyWords.kbd"), { QStringLiteral("001|mine") });
    m_w->loadmap(m_w->keyboardPath(QStringLiteral("mywords.kbd")));
    QCOMPARE(m_w->Command1(2)->ToolTipText, QStringLiteral("mine"));
    QCOMPARE(m_w->windowTitle(), QStringLiteral("Plumtype - mywords.kbd - (0)"));
}

void TestKeyboardMap::commandKeysShowPictures()
{
    load({ QStringLiteral("000|[back]"), QStringLiteral("001|[back]"),
           QStringLiteral("999|Home") });
    const QImage back(m_folder->file(QStringLiteral("back.jpg")));
    QVERIFY(!back.isNull());
    QCOMPARE(m_w->Command1(2)->picture().toImage().convertToFormat(QImage::Format_RGB32),
             back.convertToFormat(QImage::Format_RGB32));
    // The same text on a word key is painted, on the key's own colour.
    const QImage painted = m_w->Command1(3)->picture().toImage();
    QCOMPARE(painted.size(), m_w->Command1(1)->size());
    QCOMPARE(QColor(painted.pixel(painted.width() - 1, 0)), QColor(0xC0, 0xFF, 0xC0));
    const QImage home(m_folder->file(QStringLiteral("home.bmp")));
    QCOMPARE(m_w->Command1(4)->picture().toImage().convertToFormat(QImage::Format_RGB32),
             home.convertToFormat(QImage::Format_RGB32));
}

void TestKeyboardMap::coloursByKind()
{
    load({ QStringLiteral("000|a"), QStringLiteral("001|b"), QStringLiteral("002|c"),
           QStringLiteral("003|d"), QStringLiteral("004|e"), QStringLiteral("999|f"),
           QStringLiteral("xyz|g") });
    const QList<QColor> colours = { QColor(0xFF, 0xFF, 0xFF), QColor(0xC0, 0xFF, 0xC0),
                                    QColor(0xFF, 0xFF, 0xC0), QColor(0xFF, 0xC0, 0xC0),
                                    QColor(0xFF, 0xE0, 0xC0), QColor(0xFF, 0xC0, 0xFF),
                                    QColor(0xFF, 0xC0, 0xFF) };
    const QStringList tags = {
        "letter", "word1", "word2", "word3", "extend", "keyboard", "keyboard"
    };
    for (int i = 0; i < colours.size(); ++i) {
        QCOMPARE(m_w->Command1(i + 2)->Tag, tags.at(i));
        QCOMPARE(m_w->Command1(i + 2)->backColor(), colours.at(i));
        const QImage face = m_w->Command1(i + 2)->picture().toImage();
        QCOMPARE(QColor(face.pixel(0, 0)), colours.at(i));
    }
}

void TestKeyboardMap::sendKeyShowsItsPicture_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("picture"); // the Send picture is on the face
    QTest::addColumn<bool>("alone");   // and nothing else: the shipped face file
    QTest::addColumn<QString>("name"); // for assistive tools

    QTest::newRow("the Send key") << u"000|[send]"_s << true << true << u"Send"_s;
    QTest::newRow("a label of its own is shown beside the picture")
            << u"000|Thanks|[send]"_s << true << false << u"Send, Thanks"_s;
    QTest::newRow("a label that says Send") << u"000|Send|[send]"_s << true << false << u"Send"_s;
    QTest::newRow("a word key typing the word [send] sends nothing")
            << u"001|Thanks|[send]"_s << false << false << u"Thanks, [send]"_s;
    QTest::newRow("plain text") << u"000|Thanks"_s << false << false << u"Thanks"_s;
}

// A keyboard file cannot pass a key that sends the text to another program
// off as a plain text key.
void TestKeyboardMap::sendKeyShowsItsPicture()
{
    QFETCH(QString, line);
    QFETCH(bool, picture);
    QFETCH(bool, alone);
    QFETCH(QString, name);

    load({ line });
    const FaceButton *key = m_w->Command1(2);
    const QImage face = key->picture().toImage().convertToFormat(QImage::Format_RGB32);
    // The paper plane is blue; painted labels are black on the key's colour.
    int blue = 0;
    for (int y = 0; y < face.height(); ++y) {
        for (int x = 0; x < face.width(); ++x) {
            const QColor c = face.pixelColor(x, y);
            blue += c.blue() > c.red() + 60 && c.blue() > c.green() + 40;
        }
    }
    QCOMPARE(blue > 20, picture);
    const QImage shipped = QImage(m_folder->file(QStringLiteral("send.jpg")))
                                   .convertToFormat(QImage::Format_RGB32);
    QVERIFY(!shipped.isNull());
    QCOMPARE(face == shipped, alone);
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(m_w->Command1(2));
    QVERIFY(a);
    QCOMPARE(a->text(QAccessible::Name), name);
}

void TestKeyboardMap::pauseWaitsItsWholeTime_data()
{
    QTest::addColumn<int>("ms");
    QTest::addColumn<int>("wakeAfter"); // the pause's timer fires after this many ms
    QTest::addColumn<int>("leastLeft"); // the timer is set again for at least this long
    QTest::newRow("the game's last message") << 5000 << 1 << 4000;
    QTest::newRow("woken at once") << 1000 << 0 << 500;
}

// A timer that fires early (as a coarse one may, by up to a twentieth) does
// not end the pause: it sleeps again for the rest.  Only closing ends it.
void TestKeyboardMap::pauseWaitsItsWholeTime()
{
    QFETCH(int, ms);
    QFETCH(int, wakeAfter);
    QFETCH(int, leastLeft);
    QStringList seen;
    QPointer<QTimer> pauseTimer;
    QTimer::singleShot(0, m_w.get(), [&] {
        pauseTimer = m_w->findChild<QTimer *>(QStringLiteral("pause"));
        QVERIFY(pauseTimer && pauseTimer->isActive());
        seen << QStringLiteral("%1 %2")
                        .arg(pauseTimer->timerType() == Qt::PreciseTimer)
                        .arg(pauseTimer->interval() > ms - 50 && pauseTimer->interval() <= ms);
        // Wake it long before its time.
        pauseTimer->start(wakeAfter);
        QTimer::singleShot(20, m_w.get(), [&] {
            seen << QStringLiteral("%1 %2")
                            .arg(pauseTimer && pauseTimer->isActive())
                            .arg(pauseTimer && pauseTimer->interval() >= leastLeft);
            m_w->close();
        });
    });
    m_w->pause(ms);
    QCOMPARE(seen, (QStringList { QStringLiteral("1 1"), QStringLiteral("1 1") }));
    QVERIFY(m_w->killme);
}

QTEST_MAIN(TestKeyboardMap)
#include "tst_keyboardmap.moc"
