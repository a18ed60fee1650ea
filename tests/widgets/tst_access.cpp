// Hands-free access on the real window: the Access menu and its settings
// file, dwell clicking with the pointer moved over the keys, and switch
// scanning with switches pressed on the window.  The clock is stepped by the
// tests; the controllers' timers are driven by hand.

#include "driving.h"
#include "testfolder.h"

#include "access/access.h"
#include "access/switches.h"
#include "accessmarks.h"
#include "surface/dialog.h"
#include "windowface.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>

#include <linux/input.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using HandsFree::Id;
using Level = Scanning::Highlight::Level;

namespace {

const QStringList kKeys = { "999|b",     "001|world",  "000|[dwell]", "000|[clear]",
                            "003|hello", "000|[back]", "000|[scan]",  "000|Access|[access]" };
// The keyboard the link key opens: a word key where the link key was.
const QStringList kLinked = { "003|hello", "001|world" };

QSettings settingsFile()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, u"plumtype"_s, u"plumtype"_s);
}

} // namespace

class TestAccess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void offByDefault();
    void menuAndSettingsFile();
    void dwellSelectsAsAClick_data();
    void dwellSelectsAsAClick();
    void linkKeyDoesNotChain_data();
    void linkKeyDoesNotChain();
    void dwellKeyPauses();
    void suggestionsHoldDuringDwell();
    void scanAnswersPrompt_data();
    void scanAnswersPrompt();
    void scanTypesThroughSuggestions();
    void switchesReachNoControl();
    void settingsWindowByScanning();
    void windowShownForNewWindows_data();
    void windowShownForNewWindows();
    void selectionWaitsForRelease_data();
    void selectionWaitsForRelease();
    void keysFromOutside();
    void reloadedKeysKeepTheScan_data();
    void reloadedKeysKeepTheScan();
    void switchDeviceRow();
    void deviceRecords_data();
    void deviceRecords();
    void dwellOnAccessFiresNothingInSettings_data();
    void dwellOnAccessFiresNothingInSettings();
    void dwellWaitsUnderClosedWindow();
    void settingsButtonsWrap_data();
    void settingsButtonsWrap();
    void settingsBySections();
    void settingsTextAndSize();
    void scanMarksFromPixels_data();
    void scanMarksFromPixels();
    void dwellFillFromPixels();
    void scanKeyPauses();

private:
    Form1 *w() const { return m_started->get(); }
    HandsFreeAccess *access() const { return w()->handsFree; }
    // Time passes on the stepped clock; the controllers see it.
    void advance(int ms);
    // Steps the clock until `done` holds; false when it never does.
    bool advanceUntil(const std::function<bool()> &done);
    void pointTo(QWidget *widget, QPoint at = QPoint());
    // Switch 1 (Space) pressed and released, a little after the last press.
    void pressSpace();
    void typeIn(const QString &text);
    bool highlighting(QWidget *widget, bool alone);
    // The settings window's button of a line (its first), with the line's
    // section open.
    FaceButton *settingsButton(const QString &line, int index = 0);

    QTemporaryDir m_config;
    TestFolder m_folder;
    std::unique_ptr<std::unique_ptr<Form1>> m_started;
    qint64 m_now = 0;
};

void TestAccess::initTestCase()
{
    // The settings file goes to a folder of the test's own.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
    m_folder.keyboard(u"a.kbd"_s, kKeys);
    m_folder.keyboard(u"b.kbd"_s, kLinked);
    const QString words = m_folder.file(u"words/"_s);
    TextFile::write(words + u"T words 2.txt"_s, u"|the|then|they|this|there|\r\n"_s);
    TextFile::write(words + u"A words 2.txt"_s, u"|and|animal|banana|any|\r\n"_s);
    m_started = std::make_unique<std::unique_ptr<Form1>>(m_folder.start(0));
    w()->loadwords();
    access()->setClock([this] { return m_now; });
    access()->speakSeam = [](const QString &) {};
}

void TestAccess::init()
{
    access()->change(Id::DwellOn, 0);
    access()->change(Id::ScanOn, 0);
    if (access()->settingsWindow())
        access()->settingsWindow()->hide();
    pointTo(w()->Text1);
    w()->Text1->setText(QString());
    w()->tp = 0;
    w()->loadmap(w()->keyboardPath(u"a.kbd"_s));
}

void TestAccess::advance(int ms)
{
    m_now += ms;
    access()->dwell()->poll();
    access()->scan()->poll();
    QCoreApplication::processEvents();
}

bool TestAccess::advanceUntil(const std::function<bool()> &done)
{
    for (int i = 0; i < 400 && !done(); ++i)
        advance(100);
    return done();
}

void TestAccess::pointTo(QWidget *widget, QPoint at)
{
    QTest::mouseMove(widget, at.isNull() ? widget->rect().center() : at);
    QCoreApplication::processEvents();
}

void TestAccess::pressSpace()
{
    advance(150);
    QTest::keyClick(w(), Qt::Key_Space);
    QCoreApplication::processEvents();
}

void TestAccess::typeIn(const QString &text)
{
    w()->Text1->setText(text);
    w()->Text1->setSelStart(static_cast<int>(text.size()));
    w()->Text1_Click();
    w()->Text1_Change();
}

bool TestAccess::highlighting(QWidget *widget, bool alone)
{
    const QList<int> lit = access()->scan()->highlighted();
    const int id = access()->targetId(widget);
    return lit.contains(id) && (!alone || lit.size() == 1);
}

FaceButton *TestAccess::settingsButton(const QString &line, int index)
{
    AccessSettingsWindow *settings = access()->settingsWindow();
    for (int section = 0; section < int(HandsFree::sections().size()); ++section) {
        settings->openSection(section);
        QStringList names;
        const QList<QList<int>> groups = settings->scanGroups(&names);
        if (const qsizetype at = names.indexOf(line); at >= 0)
            return qobject_cast<FaceButton *>(access()->targetWidget(groups.at(at).value(index)));
    }
    return nullptr;
}

void TestAccess::offByDefault()
{
    // A first start: nothing is taken from the pointer or the keys.
    QVERIFY(!access()->dwell()->isOn());
    QVERIFY(!access()->scan()->isOn());
    QVERIFY(!w()->DwellClicking->isChecked());
    QVERIFY(!w()->SwitchScanning->isChecked());
    typeIn(u"x"_s);
    QTest::keyClick(w()->Text1, Qt::Key_Space);
    QCOMPARE(w()->Text1->Text(), u"x "_s);
    // The dwell key tells that dwell is off; a click turns it on.
    const int dwellKey = keyIndex(w(), u"[dwell]"_s);
    QCOMPARE(w()->Command1(dwellKey)->paintedCaption, u"Dwell Off"_s);
}

void TestAccess::menuAndSettingsFile()
{
    const QList<QAction *> menus = w()->menuBar()->actions();
    const qsizetype at = menus.indexOf(w()->AccessMenu->menuAction());
    QCOMPARE(w()->AccessMenu->title(), u"&Access"_s);
    QCOMPARE(menus.value(at + 1), w()->About->menuAction());
    QStringList items;
    for (QAction *a : w()->AccessMenu->actions())
        items << a->text();
    QCOMPARE(items, QStringList({ u"&Dwell Clicking"_s, u"&Switch Scanning"_s, u"&Settings..."_s,
                                  u"Send to &Program"_s }));
    // Locked and unlocked with the others.
    w()->LockMenu();
    QVERIFY(!w()->AccessMenu->menuAction()->isEnabled());
    w()->UnLockMenu();
    QVERIFY(w()->AccessMenu->menuAction()->isEnabled());

    // The menu item turns the feature on and writes it down; a new start
    // reads it back.
    w()->DwellClicking->trigger();
    QVERIFY(access()->dwell()->isOn());
    access()->change(Id::DwellMs, 1234);
    QCOMPARE(settingsFile().value(u"dwell/on"_s).toInt(), 1);
    QCOMPARE(settingsFile().value(u"dwell/time"_s).toInt(), 1250);
    settingsFile().setValue(u"scan/interval"_s, u"no number"_s);
    auto second = m_folder.start(0);
    QVERIFY(second->DwellClicking->isChecked());
    QCOMPARE(second->handsFree->settings().value(Id::DwellMs), 1250);
    QCOMPARE(second->handsFree->settings().value(Id::IntervalMs), 1200);
    second->close();
    second.reset();
    access()->change(Id::DwellMs, 1000);
}

void TestAccess::dwellSelectsAsAClick_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("suggestion");
    QTest::addColumn<int>("dwellMs"); // after the 250 ms lock-on

    QTest::newRow("word key after a sentence") << u"Hello. "_s << u"world"_s << -1 << 1000;
    QTest::newRow("word key inside one") << u"Hello "_s << u"world"_s << -1 << 1000;
    QTest::newRow("suggestion button") << u"hi th"_s << QString() << 1 << 1250;
    // The erasing keys take longer, so that a resting pointer erases less.
    QTest::newRow("back, an erasing key") << u"Hello there"_s << u"[back]"_s << -1 << 1500;
}

void TestAccess::dwellSelectsAsAClick()
{
    QFETCH(QString, typed);
    QFETCH(QString, key);
    QFETCH(int, suggestion);
    QFETCH(int, dwellMs);
    auto target = [&]() -> QAbstractButton * {
        return suggestion >= 0 ? static_cast<QAbstractButton *>(w()->WordSelect(suggestion))
                               : w()->Command1(keyIndex(w(), key));
    };

    typeIn(typed);
    target()->click();
    const QString clicked = w()->Text1->Text();
    const int caret = w()->Text1->SelStart();

    typeIn(typed);
    access()->change(Id::DwellOn, 1);
    pointTo(target());
    advance(250 + dwellMs - 10);
    QCOMPARE(w()->Text1->Text(), typed);
    advance(10);
    QCOMPARE(w()->Text1->Text(), clicked);
    QCOMPARE(w()->Text1->SelStart(), caret);
    // Resting on, it selects once.
    advance(5000);
    advance(5000);
    QCOMPARE(w()->Text1->Text(), clicked);
}

void TestAccess::linkKeyDoesNotChain_data()
{
    QTest::addColumn<int>("moveBy");  // pixels to the right after the load, 0 for none
    QTest::addColumn<bool>("leaves"); // the pointer leaves the key and comes back
    QTest::addColumn<QString>("typed");

    QTest::newRow("a still pointer") << 0 << false << QString();
    QTest::newRow("a small move") << 8 << false << QString();
    QTest::newRow("moved the set distance") << 20 << false << u"Hello "_s;
    QTest::newRow("left and came back") << 0 << true << u"Hello "_s;
}

void TestAccess::linkKeyDoesNotChain()
{
    QFETCH(int, moveBy);
    QFETCH(bool, leaves);
    QFETCH(QString, typed);

    access()->change(Id::DwellOn, 1);
    access()->change(Id::RearmPx, 20);
    FaceButton *link = w()->Command1(keyIndex(w(), u"b"_s));
    const QPoint at(4, link->height() / 2);
    pointTo(link, at);
    advance(1250);
    QTRY_COMPARE(w()->FileName, u"b.kbd"_s);
    // The key now under the pointer is the word key "hello".
    FaceButton *under = w()->Command1(keyIndex(w(), u"hello"_s));
    QCOMPARE(under, link);
    advance(3000);
    if (moveBy)
        pointTo(under, at + QPoint(moveBy, 0));
    if (leaves) {
        pointTo(w()->Text1);
        pointTo(under, at);
    }
    advance(1250);
    advance(1250);
    QCOMPARE(w()->Text1->Text(), typed);
    access()->change(Id::RearmPx, 40);
}

void TestAccess::dwellKeyPauses()
{
    FaceButton *dwellKey = w()->Command1(keyIndex(w(), u"[dwell]"_s));
    // Clicked while dwell is off, the key turns it on.
    dwellKey->click();
    QVERIFY(access()->dwell()->isOn());
    QCOMPARE(dwellKey->paintedCaption, u"Dwell On"_s);
    // Dwelt on, it pauses dwell: other keys wait, it does not.
    pointTo(w()->Text1);
    pointTo(dwellKey);
    advance(1250);
    QTRY_VERIFY(access()->dwellPaused());
    QCOMPARE(dwellKey->paintedCaption, u"Dwell Paused"_s);
    pointTo(w()->Command1(keyIndex(w(), u"world"_s)));
    advance(1250);
    advance(1250);
    QCOMPARE(w()->Text1->Text(), QString());
    pointTo(dwellKey);
    advance(1250);
    QTRY_VERIFY(!access()->dwellPaused());
    QCOMPARE(dwellKey->paintedCaption, u"Dwell On"_s);
    // The shortcut does the same from anywhere.
    w()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w()));
    QTest::keyClick(w()->Text1, Qt::Key_F12);
    QVERIFY(access()->dwellPaused());
    QTest::keyClick(w()->Text1, Qt::Key_F12);
    QVERIFY(!access()->dwellPaused());
}

void TestAccess::suggestionsHoldDuringDwell()
{
    typeIn(u"th"_s);
    access()->change(Id::DwellOn, 1);
    pointTo(w()->WordSelect(1));
    advance(600);
    QVERIFY(w()->WordSelect(1)->dwellProgress() > 0);
    // The typed word changes meanwhile: the buttons stay as they were.
    typeIn(u"an"_s);
    QCOMPARE(w()->WordSelect(0)->ToolTipText, u"the "_s);
    QCOMPARE(w()->WordSelect(1)->ToolTipText, u"then "_s);
    // The pointer leaves; once the kept progress runs out they catch up.
    pointTo(w()->Text1);
    QCOMPARE(w()->WordSelect(1)->ToolTipText, u"then "_s);
    advance(800);
    QCOMPARE(w()->WordSelect(0)->ToolTipText, u"and "_s);
    QVERIFY(w()->WordSelect(1)->dwellProgress() < 0);
}

void TestAccess::scanAnswersPrompt_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("left");

    QTest::newRow("yes") << u"yes"_s << QString();
    QTest::newRow("no") << u"no"_s << u"keep this"_s;
}

void TestAccess::scanAnswersPrompt()
{
    QFETCH(QString, answer);
    QFETCH(QString, left);

    typeIn(u"keep this"_s);
    access()->change(Id::ScanOn, 1);
    bool answered = false;
    whenReady(
            w(), [this] { return w()->FileName == u"YesNo.kbd"_s && !w()->loadingmap; },
            [&] {
                // The scan starts over on the answer keyboard: the row of the
                // answer, then the answer in it.
                QWidget *key = w()->Command1(keyIndex(w(), answer));
                QVERIFY(advanceUntil([&] { return highlighting(key, false); }));
                pressSpace();
                QVERIFY(advanceUntil([&] { return highlighting(key, true); }));
                pressSpace();
                answered = true;
            });
    QVERIFY(click(w(), u"[clear]"_s));
    QVERIFY(answered);
    QCOMPARE(w()->Text1->Text(), left);
    QCOMPARE(w()->FileName, u"home.kbd"_s);
}

void TestAccess::scanTypesThroughSuggestions()
{
    typeIn(u"hi th"_s);
    w()->WordSelect(1)->click();
    const QString clicked = w()->Text1->Text();

    typeIn(u"hi th"_s);
    // Auditory scanning names each place of the highlight.
    QStringList spoken;
    access()->speakSeam = [&spoken](const QString &text) { spoken << text; };
    access()->change(Id::Auditory, 1);
    access()->change(Id::ScanOn, 1);
    // The suggestion row is the first group.
    QVERIFY(highlighting(w()->WordSelect(0), false));
    QVERIFY(highlighting(w()->WordSelect(3), false));
    pressSpace();
    QVERIFY(highlighting(w()->WordSelect(0), true));
    QVERIFY(w()->WordSelect(0)->scanMark() == FaceButton::ScanMark::Item);
    QVERIFY(advanceUntil([&] { return highlighting(w()->WordSelect(1), true); }));
    pressSpace();
    QCOMPARE(w()->Text1->Text(), clicked);
    QCOMPARE(clicked, u"hi then "_s);
    QCOMPARE(spoken.mid(0, 3), QStringList({ u"Suggestions"_s, u"the"_s, u"then"_s }));
    access()->change(Id::Auditory, 0);
    access()->speakSeam = [](const QString &) {};
    // The chosen button flashes; the scan is back at the top, on the new row.
    QVERIFY(w()->WordSelect(1)->scanMark() == FaceButton::ScanMark::Selected);
    QCOMPARE(access()->scan()->scanner().highlight().group, 0);
}

void TestAccess::switchesReachNoControl()
{
    access()->change(Id::ScanOn, 1);
    typeIn(u"ab"_s);
    // Space in the typing area is a switch; other keys still type.
    advance(150);
    QTest::keyClick(w()->Text1, Qt::Key_Space);
    QTest::keyClick(w()->Text1, Qt::Key_C);
    QCOMPARE(w()->Text1->Text(), u"abc"_s);
    QVERIFY(access()->scan()->scanner().highlight().level == Scanning::Highlight::Level::Item);
    // A mouse button is a switch too: a click on a key does not type it,
    // unless the mouse buttons are set aside.
    FaceButton *world = w()->Command1(keyIndex(w(), u"world"_s));
    advance(300);
    QTest::mouseClick(world, Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(!w()->Text1->Text().contains(u"world"_s, Qt::CaseInsensitive));
    access()->change(Id::MouseSwitches, 0);
    typeIn(u"abc "_s);
    QTest::mouseClick(world, Qt::LeftButton);
    QCOMPARE(w()->Text1->Text(), u"abc world "_s);
    access()->change(Id::MouseSwitches, 1);
}

void TestAccess::settingsWindowByScanning()
{
    access()->change(Id::ScanOn, 1);
    access()->showSettings();
    AccessSettingsWindow *settings = access()->settingsWindow();
    QVERIFY(settings->isVisible());
    QStringList names;
    QList<QList<int>> groups = settings->scanGroups(&names);
    // At the top, Close and the sections, each a group of one.
    QCOMPARE(names, QStringList({ u"Close"_s, u"Dwell clicking"_s, u"Scanning"_s, u"Switches"_s,
                                  u"Typing into programs"_s, u"Learning"_s }));
    QCOMPARE(groups.at(1).size(), 1);
    QWidget *section = access()->targetWidget(groups.at(1).at(0));
    QVERIFY(advanceUntil([&] { return highlighting(section, true); }));
    pressSpace();
    QCOMPARE(settings->scannedSection(), 0);
    // In the section: to "Dwell time", then "+".
    groups = settings->scanGroups(&names);
    const QList<int> dwellTime = groups.at(names.indexOf(u"Dwell time"_s));
    QWidget *plus = access()->targetWidget(dwellTime.last());
    QVERIFY(advanceUntil([&] { return highlighting(plus, false); }));
    pressSpace();
    QVERIFY(advanceUntil([&] { return highlighting(plus, true); }));
    pressSpace();
    QCOMPARE(access()->settings().value(Id::DwellMs), 1050);
    QCOMPARE(settingsFile().value(u"dwell/time"_s).toInt(), 1050);
    // Back at the top of the section: its first line, a group of one.
    QVERIFY(highlighting(access()->targetWidget(groups.at(0).at(0)), true));
    // The last group is Close and the sections: Close hides the window.
    QCOMPARE(names.last(), u"Sections"_s);
    QCOMPARE(groups.last().size(), 6);
    QWidget *close = access()->targetWidget(groups.last().at(0));
    QVERIFY(advanceUntil([&] { return highlighting(close, false); }));
    pressSpace();
    QVERIFY(advanceUntil([&] { return highlighting(close, true); }));
    pressSpace();
    QVERIFY(!settings->isVisible());
    QVERIFY(highlighting(w()->Command1(2), false));
    access()->change(Id::DwellMs, 1000);
}

void TestAccess::windowShownForNewWindows_data()
{
    QTest::addColumn<QString>("opening");
    QTest::addColumn<QString>("shown"); // empty: no window of ours

    QTest::newRow("settings window") << u"settings"_s << u"settings"_s;
    QTest::newRow("picker") << u"picker"_s << u"picker"_s;
    QTest::newRow("editor's panel") << u"panel"_s << u"panel"_s;
    QTest::newRow("prompt's keyboard") << u"prompt"_s << u"keys"_s;
    QTest::newRow("a menu is none") << u"menu"_s << QString();
}

void TestAccess::windowShownForNewWindows()
{
    QFETCH(QString, opening);
    QFETCH(QString, shown);

    QSignalSpy spy(w()->windowFace, &WindowFace::windowShown);
    if (opening == u"settings") {
        access()->showSettings();
    } else if (opening == u"picker") {
        whenReady(
                w(), [this] { return w()->dialog->isVisible(); },
                [this] { w()->dialog->CancelButton->click(); });
        w()->FileOpen_Click();
    } else if (opening == u"panel") {
        w()->Frame1->show();
        w()->Frame1->hide();
    } else if (opening == u"prompt") {
        typeIn(u"keep"_s);
        answerLater(w(), u"no"_s);
        QVERIFY(click(w(), u"[clear]"_s));
    } else {
        w()->AccessMenu->popup(w()->mapToGlobal(QPoint(10, 10)));
        QCoreApplication::processEvents();
        w()->AccessMenu->hide();
    }

    QList<QWidget *> seen;
    for (const QList<QVariant> &args : std::as_const(spy))
        seen.append(args.at(0).value<QWidget *>());
    const QHash<QString, QWidget *> expected = {
        { u"settings"_s, access()->settingsWindow() },
        { u"picker"_s, w()->dialog },
        { u"panel"_s, w()->Frame1 },
        { u"keys"_s, w()->Command1(2)->parentWidget() },
    };
    if (shown.isEmpty())
        QCOMPARE(seen.size(), 0);
    else
        QVERIFY(seen.contains(expected.value(shown)));
}

void TestAccess::selectionWaitsForRelease_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("how"); // "Space", "Return" or "mouse"

    QTest::newRow("automatic, Space") << int(HandsFree::ScanMode::Automatic) << u"Space"_s;
    QTest::newRow("step, Return") << int(HandsFree::ScanMode::Step) << u"Return"_s;
    QTest::newRow("automatic, a mouse button") << int(HandsFree::ScanMode::Automatic) << u"mouse"_s;
}

void TestAccess::selectionWaitsForRelease()
{
    QFETCH(int, mode);
    QFETCH(QString, how);
    access()->change(Id::ScanOrder, int(HandsFree::ScanOrder::Linear));
    access()->change(Id::ScanMode, mode);
    access()->change(Id::ScanOn, 1);
    FaceButton *world = w()->Command1(keyIndex(w(), u"world"_s));
    if (mode == int(HandsFree::ScanMode::Step)) {
        for (int i = 0; i < 10 && !highlighting(world, true); ++i)
            pressSpace();
    } else {
        QVERIFY(advanceUntil([&] { return highlighting(world, true); }));
    }
    QVERIFY(highlighting(world, true));
    advance(150);
    // Down: the key flashes, but nothing is typed while the switch is held,
    // however long.
    if (how == u"mouse")
        QTest::mousePress(w()->Text1, Qt::LeftButton);
    else
        QTest::keyPress(w(), how == u"Space" ? Qt::Key_Space : Qt::Key_Return);
    QVERIFY(world->scanMark() == FaceButton::ScanMark::Selected);
    advance(100);
    advance(2000);
    QCOMPARE(w()->Text1->Text(), QString());
    // Up: now it is.
    if (how == u"mouse")
        QTest::mouseRelease(w()->Text1, Qt::LeftButton);
    else
        QTest::keyRelease(w(), how == u"Space" ? Qt::Key_Space : Qt::Key_Return);
    QTRY_COMPARE(w()->Text1->Text(), u"World "_s);
    access()->change(Id::ScanOn, 0);
    access()->change(Id::ScanMode, int(HandsFree::ScanMode::Automatic));
    access()->change(Id::ScanOrder, int(HandsFree::ScanOrder::Groups));
}

void TestAccess::reloadedKeysKeepTheScan_data()
{
    QTest::addColumn<QString>("load"); // the keyboard loaded while scanning
    QTest::addColumn<bool>("kept");    // the highlight stays on the third key

    // A resize reloads the keyboard: the user's switch carries on.
    QTest::newRow("the same keys") << u"a.kbd"_s << true;
    QTest::newRow("other keys") << u"b.kbd"_s << false;
}

void TestAccess::reloadedKeysKeepTheScan()
{
    QFETCH(QString, load);
    QFETCH(bool, kept);
    access()->change(Id::ScanMode, int(HandsFree::ScanMode::Step));
    access()->change(Id::ScanOn, 1);
    // Into the row of keys, on to its third key.
    advance(150);
    QTest::keyClick(w(), Qt::Key_Return);
    pressSpace();
    pressSpace();
    const Scanning::Highlight third { Level::Item, 0, 2 };
    QVERIFY(access()->scan()->scanner().highlight() == third);
    w()->loadmap(w()->keyboardPath(load));
    const Scanning::Highlight top { Level::Group, 0, -1 };
    QVERIFY(access()->scan()->scanner().highlight() == (kept ? third : top));
    // Painted on the keys now on screen.
    const QList<int> lit = access()->scan()->highlighted();
    QCOMPARE(lit.size(), kept ? 1 : 3);
    auto *key = qobject_cast<FaceButton *>(access()->targetWidget(lit.first()));
    QVERIFY(key);
    QVERIFY(key->scanMark() == (kept ? FaceButton::ScanMark::Item : FaceButton::ScanMark::Group));
    access()->change(Id::ScanOn, 0);
    access()->change(Id::ScanMode, int(HandsFree::ScanMode::Automatic));
}

void TestAccess::keysFromOutside()
{
    // Keys that come from outside the window (grabbed, or of a chosen
    // device) are switches, and are captured when a switch key is chosen.
    SwitchInputs *inputs = access()->scan()->switchInputs();
    access()->change(Id::ScanOn, 1);
    QCOMPARE(access()->scan()->scanner().highlight().level, Scanning::Highlight::Level::Group);
    advance(150);
    emit inputs->key(Qt::Key_Space, true);
    QCOMPARE(access()->scan()->scanner().highlight().level, Scanning::Highlight::Level::Item);
    emit inputs->key(Qt::Key_Space, false);
    // A key that is no switch does nothing.
    advance(150);
    emit inputs->key(Qt::Key_F5, true);
    emit inputs->key(Qt::Key_F5, false);
    QCOMPARE(access()->scan()->scanner().highlight().level, Scanning::Highlight::Level::Item);

    access()->showSettings();
    AccessSettingsWindow *settings = access()->settingsWindow();
    QAbstractButton *choose = settingsButton(u"Switch 1 key"_s);
    QVERIFY(choose);
    choose->click();
    QVERIFY(settings->capturing());
    emit inputs->key(Qt::Key_F5, true);
    emit inputs->key(Qt::Key_F5, false);
    QVERIFY(!settings->capturing());
    QCOMPARE(access()->settings().value(Id::Switch1Key), int(Qt::Key_F5));
    access()->change(Id::Switch1Key, Qt::Key_Space);
    settings->hide();
}

void TestAccess::switchDeviceRow()
{
    access()->showSettings();
    AccessSettingsWindow *settings = access()->settingsWindow();
    FaceButton *choice = settingsButton(u"Switch device"_s);
    QVERIFY(choice);
    // Scanned right after the switch settings, in their section.
    QStringList names;
    settings->scanGroups(&names);
    QCOMPARE(settings->scannedSection(), 2);
    const qsizetype row = names.indexOf(u"Switch device"_s);
    QCOMPARE(names.value(row - 1), u"Ignore presses after release"_s);
    QCOMPARE(names.value(row + 1), u"Sections"_s);
    QCOMPARE(choice->paintedCaption, u"Keys of any keyboard"_s);
    // Without a windowing system there is no device to choose: the button
    // stays, and says where switches work.
    choice->click();
    QCOMPARE(choice->paintedCaption, u"Keys of any keyboard"_s);
    QCOMPARE(access()->scan()->switchInputs()->device(), QString());
    const QList<QLabel *> labels = settings->findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [](const QLabel *l) {
        return l->text() == u"Switch keys reach Plumtype only while its window has the focus."_s;
    }));
    // A device chosen earlier is kept by name in the settings file.
    access()->scan()->switchInputs()->setDevice(u"  USB switch  "_s);
    QCOMPARE(settingsFile().value(u"scan/device"_s).toString(), u"USB switch"_s);
    QCOMPARE(choice->paintedCaption, u"USB switch"_s);
    access()->scan()->switchInputs()->setDevice(QString());
    settings->hide();
}

void TestAccess::deviceRecords_data()
{
    QTest::addColumn<QList<QList<int>>>("records"); // type, code, value
    QTest::addColumn<QString>("log");

    const int key = EV_KEY;
    QTest::newRow("Space pressed, repeating, released")
            << QList<QList<int>> { { key, KEY_SPACE, 1 },
                                   { EV_SYN, 0, 0 },
                                   { key, KEY_SPACE, 2 },
                                   { key, KEY_SPACE, 2 },
                                   { key, KEY_SPACE, 0 } }
            << u"key 32 down, key 32 up"_s;
    QTest::newRow("Enter and the keypad's Enter")
            << QList<QList<int>> { { key, KEY_ENTER, 1 }, { key, KEY_KPENTER, 1 } }
            << u"key 16777220 down, key 16777221 down"_s;
    QTest::newRow("left and right buttons") << QList<QList<int>> {
        { key, BTN_LEFT, 1 }, { key, BTN_RIGHT, 1 }, { key, BTN_LEFT, 0 }
    } << u"button 1 down, button 2 down, button 1 up"_s;
    QTest::newRow("a modifier, a middle button and motion are nothing") << QList<QList<int>> {
        { key, KEY_LEFTSHIFT, 1 }, { key, BTN_MIDDLE, 1 }, { EV_REL, REL_X, 5 }
    } << QString();
}

void TestAccess::deviceRecords()
{
    QFETCH(QList<QList<int>>, records);
    QFETCH(QString, log);
    EvdevSwitches reader;
    QStringList seen;
    connect(&reader, &EvdevSwitches::key, this, [&](int k, bool down) {
        seen << u"key %1 %2"_s.arg(k).arg(down ? u"down"_s : u"up"_s);
    });
    connect(&reader, &EvdevSwitches::button, this, [&](int n, bool down) {
        seen << u"button %1 %2"_s.arg(n).arg(down ? u"down"_s : u"up"_s);
    });
    int fds[2];
    QCOMPARE(::pipe(fds), 0);
    reader.openDescriptor(fds[0]);
    QByteArray bytes;
    for (const QList<int> &r : records) {
        input_event e = {};
        e.type = quint16(r.at(0));
        e.code = quint16(r.at(1));
        e.value = r.at(2);
        bytes.append(reinterpret_cast<const char *>(&e), sizeof e);
    }
    // Written in two parts that cut a record: it is read whole all the same.
    const qsizetype half = bytes.size() / 2 + 3;
    QCOMPARE(::write(fds[1], bytes.constData(), size_t(half)), half);
    QTest::qWait(20);
    QCOMPARE(::write(fds[1], bytes.constData() + half, size_t(bytes.size() - half)),
             bytes.size() - half);
    const QString expected = log;
    QTRY_COMPARE(seen.join(u", "_s), expected);
    ::close(fds[1]);
    reader.close();
    QVERIFY(!reader.isOpen());
}

void TestAccess::dwellOnAccessFiresNothingInSettings_data()
{
    QTest::addColumn<bool>("placedLater"); // the window manager moves it after it shows

    QTest::newRow("under the pointer as it shows") << false;
    QTest::newRow("placed under it after it shows") << true;
}

void TestAccess::dwellOnAccessFiresNothingInSettings()
{
    QFETCH(bool, placedLater);
    // The settings window comes up with "Switch scanning" under the pointer
    // that rests on the Access key.
    access()->showSettings();
    AccessSettingsWindow *settings = access()->settingsWindow();
    FaceButton *scanning = settingsButton(u"Switch scanning"_s);
    QVERIFY(scanning);
    settings->hide();
    FaceButton *accessKey = w()->Command1(keyIndex(w(), u"[access]"_s));
    const QPoint pointer = accessKey->mapToGlobal(accessKey->rect().center());
    const auto placeUnderPointer = [&] {
        settings->move(settings->pos() + pointer
                       - scanning->mapToGlobal(scanning->rect().center()));
    };
    if (!placedLater)
        placeUnderPointer();
    else
        settings->move(pointer + QPoint(400, 400));

    access()->change(Id::DwellOn, 1);
    pointTo(w()->Text1);
    pointTo(accessKey);
    advance(1250);
    QTRY_VERIFY(settings->isVisible());
    if (placedLater)
        placeUnderPointer();
    // The pointer trembles on the button: less than the re-arm distance.
    pointTo(scanning, scanning->mapFromGlobal(pointer));
    QCOMPARE(QApplication::widgetAt(pointer), scanning);
    pointTo(scanning, scanning->mapFromGlobal(pointer + QPoint(3, 2)));
    for (int i = 0; i < 10; ++i)
        advance(500);
    QCOMPARE(access()->settings().value(Id::ScanOn), 0);
    QCOMPARE(access()->settings().value(Id::DwellOn), 1);
    QVERIFY(settings->isVisible());
    // Moved the distance (40 px), it is dwelt on as ever.
    pointTo(scanning, scanning->mapFromGlobal(pointer + QPoint(45, 0)));
    advance(1250);
    QTRY_COMPARE(access()->settings().value(Id::ScanOn), 1);
    access()->change(Id::ScanOn, 0);
    settings->hide();
}

void TestAccess::dwellWaitsUnderClosedWindow()
{
    // Close chosen by dwell: the key the window leaves under the pointer
    // waits for a move too.
    access()->showSettings();
    AccessSettingsWindow *settings = access()->settingsWindow();
    FaceButton *close = qobject_cast<FaceButton *>(
            access()->targetWidget(settings->scanGroups(nullptr).at(0).at(0)));
    FaceButton *world = w()->Command1(keyIndex(w(), u"world"_s));
    const QPoint pointer = world->mapToGlobal(world->rect().center());
    settings->move(settings->pos() + pointer - close->mapToGlobal(close->rect().center()));
    access()->change(Id::DwellOn, 1);
    pointTo(close, close->mapFromGlobal(pointer));
    advance(100);
    pointTo(close, close->mapFromGlobal(pointer + QPoint(45, 0)));
    pointTo(close, close->mapFromGlobal(pointer));
    advance(1250);
    QTRY_VERIFY(!settings->isVisible());
    pointTo(world, world->mapFromGlobal(pointer + QPoint(2, 0)));
    for (int i = 0; i < 10; ++i)
        advance(500);
    QCOMPARE(w()->Text1->Text(), QString());
}

void TestAccess::settingsButtonsWrap_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("last");
    QTest::addColumn<QString>("first"); // shown once past the last value
    QTest::addColumn<QString>("second");

    QTest::newRow("dwell clicking") << u"Dwell clicking"_s << 1 << u"Off"_s << u"On"_s;
    QTest::newRow("switch scanning") << u"Switch scanning"_s << 1 << u"Off"_s << u"On"_s;
    QTest::newRow("scan mode") << u"Scan mode"_s << 2 << u"Automatic"_s << u"Step"_s;
    QTest::newRow("scan order") << u"Scan order"_s << 1 << u"Groups, then keys"_s
                                << u"Key by key"_s;
    QTest::newRow("speak each item") << u"Speak each item"_s << 1 << u"Off"_s << u"On"_s;
    QTest::newRow("colour of the marks")
            << u"Colour of the marks"_s << 4 << u"Dark blue"_s << u"Black"_s;
    QTest::newRow("mouse buttons") << u"Mouse buttons are switches"_s << 1 << u"Off"_s << u"On"_s;
    QTest::newRow("live typing") << u"Type into other programs"_s << 1 << u"Off"_s << u"On"_s;
    QTest::newRow("send keys through") << u"Send keys through"_s << 4 << u"Automatic"_s << u"X11"_s;
    QTest::newRow("learning") << u"Learn from my writing"_s << 1 << u"Off"_s << u"On"_s;
    QTest::newRow("next word") << u"Suggest the next word"_s << 1 << u"Off"_s << u"On"_s;
    QTest::newRow("learning paused") << u"Learning paused"_s << 1 << u"Off"_s << u"On"_s;
}

void TestAccess::settingsButtonsWrap()
{
    QFETCH(QString, line);
    QFETCH(int, last);
    QFETCH(QString, first);
    QFETCH(QString, second);
    // Every toggle and choice of the window is a row here.
    int choices = 0;
    for (const HandsFree::Field &f : HandsFree::fields())
        choices += f.kind == HandsFree::Kind::Toggle || f.kind == HandsFree::Kind::Choice;
    QCOMPARE(choices, 12);

    access()->showSettings();
    FaceButton *button = settingsButton(line);
    QVERIFY(button);
    Id id = Id::DwellOn;
    for (const HandsFree::Field &f : HandsFree::fields()) {
        if (QString(f.label) == line)
            id = f.id;
    }
    const int kept = access()->settings().value(id);
    access()->change(id, last);
    // Past the last value it goes back to the first, and on from there.
    button->click();
    QCOMPARE(access()->settings().value(id), 0);
    QCOMPARE(button->paintedCaption, first);
    button->click();
    QCOMPARE(access()->settings().value(id), 1);
    QCOMPARE(button->paintedCaption, second);
    access()->change(id, kept);
    access()->settingsWindow()->hide();
}

void TestAccess::settingsBySections()
{
    // "Scan mode" at the default interval (1.2 s, the first item 1.8 s),
    // each switch press 150 ms after the highlight arrived: past Close and
    // Dwell clicking to Scanning (3 s), then past Switch scanning to Scan
    // mode (1.8 s).  Line by line it came after Close and eight lines, at
    // 11.4 s.
    access()->change(Id::ScanOn, 1);
    access()->showSettings();
    AccessSettingsWindow *settings = access()->settingsWindow();
    FaceButton *mode = settingsButton(u"Scan mode"_s);
    settings->hide();
    access()->showSettings();
    QCOMPARE(settings->scannedSection(), -1);
    QStringList names;
    const QList<QList<int>> top = settings->scanGroups(&names);
    QWidget *scanning = access()->targetWidget(top.at(names.indexOf(u"Scanning"_s)).at(0));
    const qint64 start = m_now;
    QVERIFY(advanceUntil([&] { return highlighting(scanning, true); }));
    pressSpace();
    QVERIFY(advanceUntil([&] { return highlighting(mode, true); }));
    QCOMPARE(m_now - start, 3000 + 150 + 1800);
    // The other lines of the section wait behind it; all of them show.
    settings->scanGroups(&names);
    QCOMPARE(names,
             QStringList({ u"Switch scanning"_s, u"Scan mode"_s, u"Scan order"_s,
                           u"Scan interval"_s, u"First item waits"_s, u"Loops before going back"_s,
                           u"Speak each item"_s, u"Colour of the marks"_s, u"Sections"_s }));
    QCOMPARE(settings->shownSection(), 1);
    QVERIFY(mode->isVisible());
    access()->change(Id::ScanOn, 0);
    settings->hide();
}

void TestAccess::settingsTextAndSize()
{
    access()->showSettings();
    AccessSettingsWindow *settings = access()->settingsWindow();
    // Every text is at least 12 points.
    for (int section = 0; section < int(HandsFree::sections().size()); ++section) {
        settings->openSection(section);
        for (const QLabel *label : settings->findChildren<QLabel *>()) {
            QVERIFY2(QFontInfo(label->font()).pointSizeF() >= 12, qPrintable(label->text()));
        }
    }
    // From the pixels: "Dwell clicking" in black from the top of its "l" to
    // the foot of its "g", 16 px for 12 points on 96 dots to the inch
    // (12 px for the 9 points it had).
    settings->openSection(0);
    QLabel *name = nullptr;
    for (QLabel *label : settings->findChildren<QLabel *>()) {
        if (label->text() == u"Dwell clicking"_s)
            name = label;
    }
    QVERIFY(name);
    QCOMPARE(name->logicalDpiY(), 96);
    const QImage text = name->grab().toImage();
    int top = -1, bottom = -1;
    for (int y = 0; y < text.height(); ++y) {
        for (int x = 0; x < text.width(); ++x) {
            if (qGray(text.pixel(x, y)) < 128) {
                top = top < 0 ? y : top;
                bottom = y;
                break;
            }
        }
    }
    QVERIFY2(bottom - top + 1 >= 15, qPrintable(QString::number(bottom - top + 1)));
    // The tallest section fits a 1280 x 768 screen with its title bar.
    int tallest = 0;
    for (int section = 0; section < int(HandsFree::sections().size()); ++section) {
        settings->openSection(section);
        tallest = std::max(tallest, settings->sizeHint().height());
    }
    QVERIFY2(tallest <= 700, qPrintable(QString::number(tallest)));
    QVERIFY2(settings->sizeHint().width() <= 1280,
             qPrintable(QString::number(settings->sizeHint().width())));
    settings->hide();
}

void TestAccess::scanMarksFromPixels_data()
{
    QTest::addColumn<int>("colour"); // the choice
    QTest::addColumn<QRgb>("rgb");

    QTest::newRow("dark blue, the default") << 0 << QRgb(0xFF0030C0);
    QTest::newRow("dark red") << 2 << QRgb(0xFF900000);
}

void TestAccess::scanMarksFromPixels()
{
    QFETCH(int, colour);
    QFETCH(QRgb, rgb);
    access()->change(Id::MarkColour, colour);
    access()->change(Id::ScanOn, 1);
    // The row of keys is highlighted: a frame round the whole row.
    FaceButton *first = w()->Command1(2);
    FaceButton *last = w()->Command1(w()->lastbutton);
    QVERIFY(highlighting(first, false) && highlighting(last, false));
    QImage shot = w()->grab().toImage();
    const QPoint topLeft = first->mapTo(w(), QPoint(0, 0));
    const QPoint bottomRight = last->mapTo(w(), QPoint(last->width() - 1, last->height() - 1));
    // Count the frame's pixels across each side, through the middle of it.
    const auto run = [&shot, rgb](QPoint from, QPoint step) {
        while (shot.rect().contains(from) && shot.pixel(from) != rgb)
            from += step;
        int n = 0;
        for (; shot.rect().contains(from) && shot.pixel(from) == rgb; from += step)
            ++n;
        return n;
    };
    const int middleX = (topLeft.x() + bottomRight.x()) / 2;
    const int middleY = (topLeft.y() + bottomRight.y()) / 2;
    QCOMPARE(run(QPoint(middleX, topLeft.y() - 12), QPoint(0, 1)), 8);
    QCOMPARE(run(QPoint(middleX, bottomRight.y() + 12), QPoint(0, -1)), 8);
    QCOMPARE(run(QPoint(std::max(0, topLeft.x() - 12), middleY), QPoint(1, 0)), 8);
    // A key inside the frame keeps its face.
    const QPoint world = w()->Command1(keyIndex(w(), u"world"_s))->mapTo(w(), QPoint(6, 10));
    QCOMPARE(shot.pixel(world), QRgb(0xFFC0FFC0));
    // The contrast with every key colour, from the pixels.
    QVERIFY(AccessMarks::contrast(rgb, shot.pixel(world)) >= 4.5);
    // Into the row: the first key filled, its label in white, the frame stays.
    pressSpace();
    QVERIFY(highlighting(first, true));
    QVERIFY(first->scanMark() == FaceButton::ScanMark::Item);
    const QImage key = first->grab().toImage();
    int filled = 0, white = 0;
    for (int y = 3; y < key.height() - 3; ++y) {
        for (int x = 3; x < key.width() - 3; ++x) {
            filled += key.pixel(x, y) == rgb;
            white += key.pixel(x, y) == 0xFFFFFFFF;
        }
    }
    const int area = key.width() * key.height();
    QVERIFY2(filled > area / 2, qPrintable(QString::number(filled)));
    QVERIFY2(white > 10, qPrintable(QString::number(white)));
    shot = w()->grab().toImage();
    QCOMPARE(run(QPoint(middleX, topLeft.y() - 12), QPoint(0, 1)), 8);
    // Screen readers hear the key under the highlight as selected.
    QVERIFY(QAccessible::queryAccessibleInterface(first)->state().selected);
    QVERIFY(!QAccessible::queryAccessibleInterface(last)->state().selected);
    access()->change(Id::ScanOn, 0);
    QVERIFY(!QAccessible::queryAccessibleInterface(first)->state().selected);
    access()->change(Id::MarkColour, 0);
}

void TestAccess::dwellFillFromPixels()
{
    // The dwell fills the key from the bottom up: half way after half the
    // dwell time.
    FaceButton *world = w()->Command1(keyIndex(w(), u"world"_s));
    access()->change(Id::DwellOn, 1);
    pointTo(w()->Text1);
    pointTo(world);
    advance(250 + 500);
    QVERIFY(qAbs(world->dwellProgress() - 0.5) < 0.01);
    const QImage key = world->grab().toImage();
    const int h = key.height();
    int filledRows = 0;
    for (int y = 0; y < h; ++y)
        filledRows += key.pixel(3, y) == QRgb(0xFF0030C0);
    QVERIFY2(qAbs(filledRows - h / 2) <= 2, qPrintable(u"%1 of %2"_s.arg(filledRows).arg(h)));
    QCOMPARE(key.pixel(3, h - 4), QRgb(0xFF0030C0));
    QCOMPARE(key.pixel(3, 4), QRgb(0xFFC0FFC0));
    // The whole width of the key.
    for (int x = 2; x < key.width() - 2; ++x)
        QVERIFY(qGray(key.pixel(x, h - 4)) < 80 || key.pixel(x, h - 4) == 0xFFFFFFFF);
    pointTo(w()->Text1);
    access()->change(Id::DwellOn, 0);
}

void TestAccess::scanKeyPauses()
{
    FaceButton *scanKey = w()->Command1(keyIndex(w(), u"[scan]"_s));
    const int scanId = access()->targetId(scanKey);
    QCOMPARE(scanKey->paintedCaption, u"Scan Off"_s);
    // Clicked while scanning is off, the key turns it on.
    scanKey->click();
    QVERIFY(access()->scan()->isOn());
    QCOMPARE(scanKey->paintedCaption, u"Scan On"_s);
    // Selected in step mode (Space moves, Return selects), it pauses.
    access()->change(Id::ScanMode, int(HandsFree::ScanMode::Step));
    access()->change(Id::ScanOrder, int(HandsFree::ScanOrder::Linear));
    for (int i = 0; i < 20 && !highlighting(scanKey, true); ++i)
        pressSpace();
    QVERIFY(highlighting(scanKey, true));
    advance(150);
    QTest::keyClick(w(), Qt::Key_Return);
    QTRY_VERIFY(access()->scanPaused());
    // The flash of the selection ends.
    QTRY_VERIFY(scanKey->scanMark() == FaceButton::ScanMark::Group);
    QCOMPARE(scanKey->paintedCaption, u"Scan Paused"_s);
    QCOMPARE(scanKey->backColor(), QColor(0xFF, 0xB0, 0x00));
    QCOMPARE(scanKey->grab().toImage().pixel(12, 3), QRgb(0xFFFFB000));
    // The highlight rests on it, framed, whatever time and Space do.
    for (int i = 0; i < 5; ++i) {
        advance(2000);
        pressSpace();
    }
    QVERIFY(access()->scanPaused());
    QCOMPARE(access()->scan()->highlighted(), QList<int>({ scanId }));
    QVERIFY(scanKey->scanMark() == FaceButton::ScanMark::Group);
    QVERIFY(QAccessible::queryAccessibleInterface(scanKey)->state().selected);
    // Return takes it up again, at the top.
    advance(150);
    QTest::keyClick(w(), Qt::Key_Return);
    QVERIFY(!access()->scanPaused());
    QCOMPARE(scanKey->paintedCaption, u"Scan On"_s);
    QCOMPARE(scanKey->backColor(), QColor(Qt::white));
    QCOMPARE(access()->scan()->scanner().highlight().item, 0);
    QCOMPARE(w()->Text1->Text(), QString());
    // Paused from the key and turned off from the menu, it is off for good.
    scanKey->click();
    QVERIFY(access()->scanPaused());
    w()->SwitchScanning->trigger();
    QVERIFY(!access()->scan()->isOn());
    QVERIFY(!access()->scanPaused());
    QCOMPARE(scanKey->paintedCaption, u"Scan Off"_s);
    access()->change(Id::ScanMode, int(HandsFree::ScanMode::Automatic));
    access()->change(Id::ScanOrder, int(HandsFree::ScanOrder::Groups));
}

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
