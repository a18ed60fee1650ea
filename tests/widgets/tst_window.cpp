// The main window's life: start-up at the saved size, the layout, resizing
// back to the home keyboard, the screen size file, the menus and closing.

#include "testfolder.h"

#include "screensize.h"
#include "surface/twips.h"
#include "windowlayout.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QToolButton>

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
    void aboutShowsVersion();
    void menuLock();
    void menusAsDesigned();
    void closingEndsWaits();
};

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
                    TextFile::joinLines({ "9000", "12250", "100", "100" }));
    auto w = folder.start();
    QCOMPARE(w->frameGeometry().height(), Twips::toPx(9000));
    QCOMPARE(w->frameGeometry().width(), Twips::toPx(12250));
    // The first layout overwrites the key size with its own.
    const ScreenSize stored = storedSize(folder);
    QCOMPARE(stored.windowHeight, Twips::fromPx(Twips::toPx(9000)));
    QVERIFY(qAbs(stored.keyWidth - 1000) <= Twips::perPixel());
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
    w->resize(900, 650);
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
    for (int width = 700; width <= 1000; width += 30) {
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
    QTimer::singleShot(30, w.get(), [&] { w->resize(1000, 700); });
    w->loadmap(w->keyboardPath(QStringLiteral("LettersLower.kbd")));
    QTRY_COMPARE(w->FileName, QStringLiteral("home.kbd"));
    QTRY_COMPARE(storedSize(folder).windowWidth, Twips::fromPx(w->frameGeometry().width()));
    QTRY_VERIFY(!w->loadingmap);
    QCOMPARE(w->Command1(1)->width(), Twips::toPx((Twips::fromPx(1000) - 250) / 12));
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
