// The main window's life: start-up at the saved size, the layout, resizing
// back to the home keyboard, the screen size file, the menus and closing.

#include "testfolder.h"

#include "screensize.h"
#include "surface/twips.h"
#include "windowlayout.h"
#include "wordlists.h"

#include <QDirIterator>
#include <QScreen>

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QToolButton>

using namespace Qt::StringLiterals;

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void opensAtSavedSize();
    void missingSizeFileGivesDesignSize_data();
    void missingSizeFileGivesDesignSize();
    void layoutFitsWindow();
    void resizeReturnsHomeAndStoresSize();
    void burstOfResizesEndsAtFinalSize();
    void resizeDuringLoadIsCarriedOut();
    void maximisedWindowKeepsSizeFile();
    void unwritableSizeFileIsSkipped();
    void badSizeFileGivesUsableWindow_data();
    void badSizeFileGivesUsableWindow();
    void tinyWindowIsNotStored();
    void addedWordStartsItsOwnLine();
    void unusableFolderStartsReadOnly();
    void aboutShowsVersion();
    void menuLock();
    void menusAsDesigned();
    void closingEndsWaits();
};

static QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<cannot open>");
}

static ScreenSize storedSize(const TestFolder &folder)
{
    return ScreenSizeFile::read(folder.file(QStringLiteral("screensize.dat")))
            .value_or(ScreenSize());
}

void TestWindow::opensAtSavedSize()
{
    TestFolder folder;
    // Line 1 is the height, line 2 the width.
    TextFile::write(folder.file(QStringLiteral("screensize.dat")),
                    TextFile::joinLines({ "9000", "11650", "100", "100" }));
    auto w = folder.start();
    QCOMPARE(w->frameGeometry().height(), Twips::toPx(9000));
    QCOMPARE(w->frameGeometry().width(), Twips::toPx(11650));
    // The first layout overwrites the key size with its own.
    const ScreenSize stored = storedSize(folder);
    QCOMPARE(stored.windowHeight, Twips::fromPx(Twips::toPx(9000)));
    QVERIFY(qAbs(stored.keyWidth - 950) <= Twips::perPixel());
    QVERIFY(qAbs(stored.keyHeight - (9000 - 2100 - 250) / 11.35) <= Twips::perPixel());
}

void TestWindow::missingSizeFileGivesDesignSize_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("no numbers") << QByteArray("tall\r\nwide\r\n\r\n\r\n");
    QTest::newRow("short") << QByteArray("8000\r\n");
}

void TestWindow::missingSizeFileGivesDesignSize()
{
    QFETCH(QByteArray, content);
    TestFolder folder;
    QFile::remove(folder.file(QStringLiteral("screensize.dat")));
    if (!content.isEmpty()) {
        QFile f(folder.file(QStringLiteral("screensize.dat")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    auto w = folder.start();
    const ScreenSize design = ScreenSizeFile::designSize();
    QCOMPARE(w->frameGeometry().height(), Twips::toPx(design.windowHeight));
    QCOMPARE(w->frameGeometry().width(), Twips::toPx(design.windowWidth));
    QCOMPARE(w->FileName, QStringLiteral("home.kbd"));
    // The first layout writes a good file.
    QCOMPARE(storedSize(folder).windowWidth, Twips::fromPx(Twips::toPx(design.windowWidth)));
}

void TestWindow::layoutFitsWindow()
{
    TestFolder folder;
    auto w = folder.start();
    const double width = w->windowWidth();
    const double height = w->windowHeight();
    const FaceButton *anchor = w->Command1(1);
    QCOMPARE(Twips::top(anchor), Twips::fromPx(Twips::toPx(2100)));
    QCOMPARE(anchor->width(), Twips::toPx((width - 250) / 12));
    QCOMPARE(anchor->height(), Twips::toPx((height - Twips::top(anchor) - 250) / 11.35));
    // The suggestion row stands right above the keys and spans 12 columns.
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(w->WordSelect(i)->y() + w->WordSelect(i)->height(), anchor->y());
        QVERIFY(qAbs(w->WordSelect(i)->width() - 3 * anchor->width()) <= 2);
    }
    QVERIFY(qAbs(w->WordSelect(3)->x() - 3 * w->WordSelect(0)->width()) <= 1);
    // The typing area fills the top, the Speak button stands right of it.
    QCOMPARE(w->Text1->height(), w->WordSelect(0)->y());
    QCOMPARE(w->Speak->x(), w->Text1->width());
    QCOMPARE(w->Speak->height(), w->Text1->height());
    // Every key has the anchor's size.
    for (int i = 2; i <= w->lastbutton; ++i)
        QCOMPARE(w->Command1(i)->size(), anchor->size());
    // Nothing lies over the controls a user clicks.
    QWidget *client = w->centralWidget();
    auto hit = [&](QWidget *target) {
        const QPoint centre = target->mapTo(client, target->rect().center());
        QWidget *found = client->childAt(centre);
        return found == target || target->isAncestorOf(found);
    };
    QVERIFY(hit(w->Speak));
    QVERIFY(hit(w->Text1));
    for (int i = 0; i < 4; ++i)
        QVERIFY(hit(w->WordSelect(i)));
    for (int i = 2; i <= w->lastbutton; ++i)
        QVERIFY(hit(w->Command1(i)));
}

void TestWindow::resizeReturnsHomeAndStoresSize()
{
    TestFolder folder;
    auto w = folder.start();
    w->loadmap(w->keyboardPath(QStringLiteral("LettersLower.kbd")));
    QCOMPARE(w->FileName, QStringLiteral("LettersLower.kbd"));
    w->resize(780, 650);
    QTRY_COMPARE(w->FileName, QStringLiteral("home.kbd"));
    QTRY_VERIFY(!w->loadingmap);
    const ScreenSize stored = storedSize(folder);
    QCOMPARE(stored.windowWidth, Twips::fromPx(w->frameGeometry().width()));
    QCOMPARE(stored.windowHeight, Twips::fromPx(w->frameGeometry().height()));
    QCOMPARE(stored.keyWidth, Twips::width(w->Command1(1)));
    QCOMPARE(stored.keyHeight, Twips::height(w->Command1(1)));
    QCOMPARE(w->Command1(2)->size(), w->Command1(1)->size());
}

void TestWindow::burstOfResizesEndsAtFinalSize()
{
    TestFolder folder;
    auto w = folder.start();
    for (int width = 480; width <= 780; width += 30) {
        w->resize(width, 600);
        QTest::qWait(5);
    }
    QTRY_COMPARE(storedSize(folder).windowWidth, Twips::fromPx(w->frameGeometry().width()));
    QTRY_VERIFY(!w->loadingmap);
    QCOMPARE(w->Command1(1)->width(), Twips::toPx((Twips::fromPx(w->width()) - 250) / 12));
    QCOMPARE(w->Command1(2)->size(), w->Command1(1)->size());
}

void TestWindow::resizeDuringLoadIsCarriedOut()
{
    TestFolder folder;
    auto w = folder.start();
    // A resize arrives while a keyboard is loading (during its splash pause).
    QTimer::singleShot(30, w.get(), [&] { w->resize(780, 700); });
    w->loadmap(w->keyboardPath(QStringLiteral("LettersLower.kbd")));
    QTRY_COMPARE(w->FileName, QStringLiteral("home.kbd"));
    QTRY_COMPARE(storedSize(folder).windowWidth, Twips::fromPx(w->frameGeometry().width()));
    QTRY_VERIFY(!w->loadingmap);
    QCOMPARE(w->Command1(1)->width(), Twips::toPx((Twips::fromPx(780) - 250) / 12));
    QCOMPARE(w->Command1(2)->size(), w->Command1(1)->size());
}

void TestWindow::maximisedWindowKeepsSizeFile()
{
    TestFolder folder;
    auto w = folder.start();
    const QByteArray before = [&] {
        QFile f(folder.file(QStringLiteral("screensize.dat")));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    w->loadmap(w->keyboardPath(QStringLiteral("LettersLower.kbd")));
    w->showMaximized();
    QTRY_COMPARE(w->FileName, QStringLiteral("home.kbd"));
    QTRY_VERIFY(!w->loadingmap);
    QFile f(folder.file(QStringLiteral("screensize.dat")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void TestWindow::unwritableSizeFileIsSkipped()
{
    TestFolder folder;
    // A folder in the way of the file: it cannot be written.
    QFile::remove(folder.file(QStringLiteral("screensize.dat")));
    QDir(folder.path()).mkdir(QStringLiteral("screensize.dat"));
    auto w = folder.start();
    QCOMPARE(w->FileName, QStringLiteral("home.kbd"));
    w->resize(800, 600);
    QTest::qWait(300);
    QTRY_VERIFY(!w->loadingmap);
    QCOMPARE(w->FileName, QStringLiteral("home.kbd"));
}

void TestWindow::badSizeFileGivesUsableWindow_data()
{
    QTest::addColumn<QByteArray>("content");
    const QByteArray keys = "\r\n615\r\n1215\r\n";
    QTest::newRow("infinity") << QByteArray("inf\r\ninf" + keys);
    QTest::newRow("1e20") << QByteArray("99999999999999999999\r\n99999999999999999999" + keys);
    QTest::newRow("one twip") << QByteArray("1\r\n1" + keys);
    QTest::newRow("0.2") << QByteArray("0.2\r\n0.2" + keys);
    QTest::newRow("400 digits") << QByteArray(QByteArray(400, '9') + "\r\n" + QByteArray(400, '9')
                                              + keys);
    QTest::newRow("negative") << QByteArray("-9000\r\n-12000" + keys);
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("wild keys") << QByteArray("8000\r\n11000\r\n1e300\r\n-5\r\n");
    QTest::newRow("a folder") << QByteArray();
}

void TestWindow::badSizeFileGivesUsableWindow()
{
    QFETCH(QByteArray, content);
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("screensize.dat"));
    QFile::remove(path);
    const bool isFolder = QByteArray(QTest::currentDataTag()) == "a folder";
    if (isFolder) {
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("screensize.dat")));
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    auto w = folder.start();
    QCOMPARE(w->FileName, QStringLiteral("home.kbd"));
    // The window fits the screen, and its keys can be hit.
    const QRect screen = w->screen()->availableGeometry();
    QVERIFY(w->frameGeometry().width() <= screen.width());
    QVERIFY(w->frameGeometry().height() <= screen.height());
    QVERIFY(Twips::width(w->Command1(1)) >= ScreenSizeFile::kMinKeyWidth);
    QVERIFY(Twips::height(w->Command1(1)) >= ScreenSizeFile::kMinKeyHeight);
    if (isFolder) {
        QVERIFY(QFileInfo(path).isDir());
        return;
    }
    // A sane size is written back: the next start opens the same window.
    const std::optional<ScreenSize> stored = ScreenSizeFile::read(path);
    QVERIFY(stored.has_value());
    QVERIFY(ScreenSizeFile::isStorable(*stored, Twips::fromPx(screen.width()),
                                       Twips::fromPx(screen.height())));
    QCOMPARE(Twips::toPx(stored->windowWidth), w->frameGeometry().width());
    QCOMPARE(Twips::toPx(stored->windowHeight), w->frameGeometry().height());
}

void TestWindow::tinyWindowIsNotStored()
{
    TestFolder folder;
    auto w = folder.start();
    const QByteArray before = readAll(folder.file(QStringLiteral("screensize.dat")));
    w->resize(120, 90);
    QTRY_VERIFY(w->FileName == QStringLiteral("home.kbd") && !w->loadingmap);
    QTest::qWait(150);
    QTRY_VERIFY(!w->loadingmap);
    QCOMPARE(readAll(folder.file(QStringLiteral("screensize.dat"))), before);
}

void TestWindow::addedWordStartsItsOwnLine()
{
    TestFolder folder;
    // A word file edited by hand, without its final line break.
    const QString words = folder.file(QStringLiteral("words/UserAdded.txt"));
    QFile::remove(words);
    TextFile::write(words, QStringLiteral("Orvane\r\nAnnabel"));
    auto w = folder.start();
    w->addword(QStringLiteral("[add word]Qorvex"));
    QCOMPARE(readAll(words), QByteArray("Orvane\r\nAnnabel\r\nQorvex\r\n"));
    QCOMPARE(WordLists::suggest(w->wordlists, QStringLiteral("Annab")),
             QStringList { QStringLiteral("Annabel") });
    QCOMPARE(WordLists::suggest(w->wordlists, QStringLiteral("Qorv")), QStringList { u"Qorvex"_s });
}

void TestWindow::unusableFolderStartsReadOnly()
{
    // The user's folder cannot be made (a file stands where its parent should
    // be); the shipped folder, installed read-only, serves instead.
    QTemporaryDir home;
    QTemporaryDir installed;
    ProgramFolder::layOut(qEnvironmentVariable("PLUMTYPE_DATA"), installed.path());
    const QByteArray blocker = "not a folder";
    QFile file(home.filePath(QStringLiteral("share")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(blocker) == blocker.size());
    file.close();
    const auto snapshot = [&] {
        QStringList entries;
        QDirIterator it(installed.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            entries.append(it.filePath() + u' ' + QString::number(it.fileInfo().size()) + u' '
                           + it.fileInfo().lastModified().toString(Qt::ISODateWithMs));
        }
        entries.sort();
        return entries;
    };
    const QStringList before = snapshot();

    const ProgramFolder::Choice choice = ProgramFolder::choose(
            installed.path(), home.filePath(QStringLiteral("share/plumtype")));
    QCOMPARE(choice.folder, installed.path());
    QVERIFY(choice.readOnlyReason.contains(home.filePath(QStringLiteral("share/plumtype"))));

    Form1 w(choice.folder, choice.readOnlyReason);
    w.msgBoxSeam = [](const QString &) {};
    // The notice comes once the home keyboard is up; it is answered with the
    // Okay key's word, as a click on it types.
    QString shown;
    QString keyboardShown;
    QTimer::singleShot(400, &w, [&] {
        shown = w.Text1->Text();
        keyboardShown = w.FileName;
        w.Text1->setText(w.Text1->Text() + QStringLiteral("Okay "));
    });
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty(), 5000);
    QCOMPARE(keyboardShown, QStringLiteral("Okay.kbd"));
    QVERIFY(shown.startsWith(QStringLiteral("Plumtype cannot save your changes: ")));
    QTRY_COMPARE(w.FileName, QStringLiteral("home.kbd"));
    QCOMPARE(w.Text1->Text(), QString());
    QVERIFY(!w.canSave());
    w.resize(700, 600);
    w.addword(QStringLiteral("[add word]Kiwi"));
    QTest::qWait(300);
    QTRY_VERIFY(!w.loadingmap);
    // Nothing was written into the installed folder.
    QCOMPARE(snapshot(), before);
}

void TestWindow::aboutShowsVersion()
{
    TestFolder folder;
    auto w = folder.start();
    QString shown;
    w->msgBoxSeam = [&](const QString &text) { shown = text; };
    w->Aboutme->trigger();
    QCOMPARE(shown, QStringLiteral("Plumtype v" PLUMTYPE_VERSION));
    QVERIFY(QRegularExpression(QStringLiteral("^Plumtype v\\d+\\.\\d+\\.\\d+$"))
                    .match(shown)
                    .hasMatch());
}

void TestWindow::menuLock()
{
    TestFolder folder;
    auto w = folder.start();
    w->EditMode->setEnabled(false);
    w->LockMenu();
    QVERIFY(!w->FileOption->menuAction()->isEnabled());
    QVERIFY(!w->LoadKeyboard->menuAction()->isEnabled());
    QVERIFY(!w->EditKeyboard->menuAction()->isEnabled());
    QVERIFY(!w->About->menuAction()->isEnabled());
    QVERIFY(w->dogame->menuAction()->isEnabled());
    w->UnLockMenu();
    QVERIFY(w->FileOption->menuAction()->isEnabled());
    QVERIFY(w->LoadKeyboard->menuAction()->isEnabled());
    QVERIFY(w->EditKeyboard->menuAction()->isEnabled());
    QVERIFY(w->About->menuAction()->isEnabled());
    // Sub-items keep their own state.
    QVERIFY(!w->EditMode->isEnabled());
}

void TestWindow::menusAsDesigned()
{
    TestFolder folder;
    auto w = folder.start();
    QCOMPARE(w->FileOption->title(), QStringLiteral("&File"));
    QCOMPARE(w->FileOpen->text(), QStringLiteral("&Open/Load"));
    QCOMPARE(w->Savekeyboard->text(), QStringLiteral("Sa&ve Keyboard"));
    QCOMPARE(w->EditMode->text(), QStringLiteral("Star&t Editing"));
    QCOMPARE(w->QuitEdit->text(), QStringLiteral("Sto&p Editing"));
    QCOMPARE(w->kbdfolder->text(), QStringLiteral("Your Keyboard Folder is here..."));
    // Until the editor is on, there is nothing to stop or add.
    QVERIFY(!w->QuitEdit->isEnabled());
    QVERIFY(!w->addbutton->isEnabled());
    QVERIFY(w->mnuBlank->isEnabled());
    QVERIFY(!w->Frame1->isVisible());
    QVERIFY(!w->Command7->isVisible());
    QVERIFY(!w->Command8->isVisible());
    QVERIFY(!w->Text2->isVisible());
}

void TestWindow::closingEndsWaits()
{
    TestFolder folder;
    auto w = folder.start();
    QElapsedTimer timer;
    timer.start();
    QTimer::singleShot(20, w.get(), [&] { w->close(); });
    w->pause(5000);
    QVERIFY(timer.elapsed() < 2000);
    QVERIFY(w->killme);
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
