// A dwell user on a real X server with a window manager (x11session.sh):
// the pointer, moved as a head mouse moves it, rests on Plumtype's keys while
// the receiver keeps the focus.  A word dwelt on arrives in the receiver; the
// settings window opened by dwelling on Access fires nothing under the still
// pointer, takes no focus, and closes by dwell.

#include "driving.h"
#include "testfolder.h"

#include "access/access.h"

#include "receiverfiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QProcess>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using HandsFree::Id;

namespace {

// The server's own pointer, where a user's mouse puts it.
void moveTo(const QPoint &global)
{
    QProcess::execute(u"xdotool"_s,
                      { u"mousemove"_s, QString::number(global.x()), QString::number(global.y()) });
}

QPoint centre(const QWidget *widget)
{
    return widget->mapToGlobal(widget->rect().center());
}

} // namespace

class tst_DwellUser : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void dwellIntoReceiverThroughSettings();

private:
    QString m_text;
    QString m_focus;
    QString m_window;
};

void tst_DwellUser::initTestCase()
{
    m_text = qEnvironmentVariable("RECEIVER_TEXT");
    m_focus = qEnvironmentVariable("RECEIVER_FOCUS");
    m_window = qEnvironmentVariable("RECEIVER_WINDOW");
    if (m_text.isEmpty() || QGuiApplication::platformName() != u"xcb")
        QSKIP("run by x11session.sh on an X server");
}

void tst_DwellUser::dwellIntoReceiverThroughSettings()
{
    TestFolder folder;
    auto w = folder.start(0);
    HandsFreeAccess *access = w->handsFree;
    access->change(Id::LiveTyping, 1);
    for (int i = 0; i < 20 && readFile(m_focus) != u"active"_s; ++i) {
        QProcess::execute(u"xdotool"_s, { u"windowactivate"_s, m_window });
        waitForFile(m_focus, u"active"_s, 250);
    }
    QCOMPARE(readFile(m_focus), u"active"_s);
    // The window manager is done placing and sizing the window (a resize
    // reloads the keyboard).
    for (int i = 0; i < 10; ++i) {
        QSignalSpy loads(w.get(), &Form1::keyboardLoaded);
        QTest::qWait(500);
        if (loads.isEmpty() && !w->loadingmap)
            break;
    }
    moveTo(centre(w->Text1));
    access->change(Id::DwellOn, 1);
    QCOMPARE(access->settings().value(Id::DwellMs), 1000);

    // A word: the pointer rests on it a second, the word and its space
    // arrive, and the receiver keeps the focus.
    moveTo(centre(w->Command1(keyIndex(w.get(), u"want"_s))));
    QCOMPARE(waitForFile(m_text, u"Want "_s), u"Want "_s);
    QCOMPARE(readFile(m_focus), u"active"_s);

    // The settings window is to come up with "Switch scanning" under the
    // pointer that rests on Access.
    access->showSettings();
    AccessSettingsWindow *settings = access->settingsWindow();
    QVERIFY(QTest::qWaitForWindowExposed(settings));
    QAbstractButton *scanning = nullptr;
    QAbstractButton *close = nullptr;
    QStringList names;
    const QList<QList<int>> top = settings->scanGroups(&names);
    close = qobject_cast<QAbstractButton *>(access->targetWidget(top.at(0).at(0)));
    for (int section = 0; section < int(HandsFree::sections().size()) && !scanning; ++section) {
        settings->openSection(section);
        const QList<QList<int>> groups = settings->scanGroups(&names);
        if (const qsizetype at = names.indexOf(u"Switch scanning"_s); at >= 0)
            scanning = qobject_cast<QAbstractButton *>(access->targetWidget(groups.at(at).at(0)));
    }
    QVERIFY(scanning && close);
    const QPoint accessKey = centre(w->Command1(keyIndex(w.get(), u"[access]"_s)));
    settings->hide();
    QTRY_VERIFY(!settings->isVisible());
    settings->move(settings->pos() + accessKey - centre(scanning));

    moveTo(accessKey);
    QTRY_VERIFY_WITH_TIMEOUT(settings->isVisible(), 5000);
    // Wherever the window manager put it, something of it is under the
    // pointer; that is what a still pointer would fire.
    QTest::qWait(300);
    QWidget *under = QApplication::widgetAt(QCursor::pos());
    QVERIFY(under && under->window() == settings);
    // The pointer trembles there for four seconds: nothing fires.
    for (int i = 0; i < 8; ++i) {
        moveTo(accessKey + QPoint(i % 2 ? 3 : 0, i % 3 ? 2 : 0));
        QTest::qWait(500);
    }
    QCOMPARE(access->settings().value(Id::ScanOn), 0);
    QCOMPARE(access->settings().value(Id::DwellOn), 1);
    QVERIFY(settings->isVisible());
    QCOMPARE(readFile(m_focus), u"active"_s);

    // Moved onto Close, the window closes by dwell; the key it leaves under
    // the pointer waits for a move.
    moveTo(centre(close));
    QTRY_VERIFY_WITH_TIMEOUT(!settings->isVisible(), 5000);
    QTest::qWait(2500);
    QCOMPARE(readFile(m_text), u"Want "_s);
    QCOMPARE(readFile(m_focus), u"active"_s);

    // And on to the next word.
    moveTo(centre(w->Command1(keyIndex(w.get(), u"to"_s))));
    QCOMPARE(waitForFile(m_text, u"Want to "_s), u"Want to "_s);
    QCOMPARE(readFile(m_focus), u"active"_s);
    access->change(Id::DwellOn, 0);
    access->change(Id::LiveTyping, 0);
    w->close();
}

QTEST_MAIN(tst_DwellUser)
#include "tst_dwelluser.moc"
