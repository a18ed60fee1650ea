// Wordloom as its users meet it: the window on the offscreen platform, and
// the built program run from the command line.

#include "form1.h"
#include "textfile.h"
#include "wordimport.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList kLists { "My Animals", "cat", "Dog", "", "Colours", "red", "", "end" };

void writeList(const QString &path, const QStringList &lines = kLists)
{
    QVERIFY(TextFile::write(path, TextFile::joinLines(lines)));
}

bool choose(Wordloom::Form1 &w, const QString &name)
{
    const QList<QListWidgetItem *> found = w.File1->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    w.File1->setCurrentItem(found.first());
    return true;
}

QStringList kbdFiles(const QString &folder)
{
    return QDir(folder).entryList({ "*.kbd" }, QDir::Files, QDir::Name);
}

} // namespace

class TestWordloom : public QObject
{
    Q_OBJECT

private slots:
    void window();
    void importFromWindow();
    void windowErrors_data();
    void windowErrors();
    void commandLine_data();
    void commandLine();
};

void TestWordloom::window()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"plumtype"_s); // made by the window
    QVERIFY(QDir().mkpath(folder + u"/Keyboards"_s));
    for (const char *name : { "b.TXT", "a.txt", "C.txt", "notes.kbd" })
        writeList(folder + u'/' + QLatin1String(name));

    Wordloom::Form1 w(folder);
    w.msgBoxSeam = [](const QString &text) { QFAIL(qPrintable(text)); };
    w.show();
    QCOMPARE(w.windowTitle(), u"Wordloom (Import Lists to KBD files)"_s);
    QCOMPARE(w.Label3->text(),
             u"The text file to Import must be organized with Ketboard Title line followed by one "
             "line of text for each word and a space, followed by another title and list or the "
             "word end as the very last line."_s);
    QCOMPARE(w.Text1->text(), u"New Keyboard List"_s);
    QCOMPARE(w.Command1->text(), u"Begin Imporing 'WordLists.txt' file"_s);
    QVERIFY(w.folderLabel->text().contains(QDir::toNativeSeparators(folder)));
    QStringList shown;
    for (int i = 0; i < w.File1->count(); ++i)
        shown.append(w.File1->item(i)->text());
    QCOMPARE(shown, QStringList({ "a.txt", "b.TXT", "C.txt" }));

    QVERIFY(!w.Command1->isEnabled());
    QVERIFY(choose(w, u"b.TXT"_s));
    QVERIFY(w.Command1->isEnabled());
    // A file put into the folder later shows up; the choice stays.
    writeList(folder + u"/WordLists.txt"_s);
    QTRY_COMPARE(w.File1->count(), 4);
    QCOMPARE(w.File1->currentItem()->text(), u"b.TXT"_s);
}

void TestWordloom::importFromWindow()
{
    QTemporaryDir dir;
    QStringList big { "Big" };
    for (int i = 0; i < 5000; ++i)
        big.append(u"w%1"_s.arg(i));
    writeList(dir.filePath(u"WordLists.txt"_s), kLists.mid(0, 7) + big + QStringList { "" });
    Wordloom::Form1 w(dir.path());
    QStringList messages;
    w.msgBoxSeam = [&](const QString &text) { messages.append(text); };
    w.show();
    QVERIFY(choose(w, u"WordLists.txt"_s));
    w.Text1->setText(u"Pets and Colours"_s);
    QTest::mouseClick(w.Command1, Qt::LeftButton);

    // The click returns at once: the import runs from the event loop, with
    // its progress shown and nothing to start a second one with.
    QVERIFY(w.importing());
    QVERIFY(w.progressBar->isVisible());
    QVERIFY(!w.Command1->isEnabled());
    QVERIFY(!w.File1->isEnabled());
    QCOMPARE(w.progressBar->maximum(), 2 + 46 + 1);
    QTRY_COMPARE_WITH_TIMEOUT(messages, QStringList { WordImport::closingMessage() }, 30000);
    QCOMPARE(w.progressBar->value(), w.progressBar->maximum());
    QVERIFY(!w.isVisible());

    const QStringList files = kbdFiles(dir.path());
    QCOMPARE(files.size(), 49);
    QVERIFY(files.contains(u"MyAnimals.kbd"_s));
    QVERIFY(files.contains(u"Big46.kbd"_s));
    QCOMPARE(TextFile::readLines(dir.filePath(u"PetsandColours.kbd"_s)).value().mid(6),
             QStringList({ "999|My Animals", "999|Colours", "999|Big" }));
}

// The user is told which file stood in the way; the window stays for another try.
void TestWordloom::windowErrors_data()
{
    QTest::addColumn<QString>("trouble");
    QTest::addColumn<QString>("messageHolds");

    QTest::newRow("file gone after it was listed") << "gone"
                                                   << "WordLists.txt\" cannot be read";
    QTest::newRow("page cannot be written") << "blocked"
                                            << "Colours.kbd\" could not be written";
    QTest::newRow("the message says what was written")
            << "blocked"
            << "1 other keyboard file was written, complete; the group keyboard";
    // A page whose name is a link out of the folder is not written through
    // it (the file outside stays as it was).
    QTest::newRow("page linked out of the folder") << "linked"
                                                   << "Colours.kbd\" could not be written";
}

void TestWordloom::windowErrors()
{
    QFETCH(QString, trouble);
    QFETCH(QString, messageHolds);

    QTemporaryDir dir;
    const QString input = dir.filePath(u"WordLists.txt"_s);
    writeList(input);
    Wordloom::Form1 w(dir.path());
    QStringList messages;
    w.msgBoxSeam = [&](const QString &text) { messages.append(text); };
    w.show();
    QVERIFY(choose(w, u"WordLists.txt"_s));
    // The listing catches up only once the event loop runs: the click below
    // comes first, as a user's click can.
    if (trouble == u"gone")
        QVERIFY(QFile::remove(input));
    if (trouble == u"blocked")
        QVERIFY(QDir(dir.path()).mkdir(u"Colours.kbd"_s));
    QTemporaryDir outside;
    const QString victim = outside.filePath(u"victim.txt"_s);
    QVERIFY(TextFile::write(victim, u"outside\r\n"_s));
    if (trouble == u"linked")
        QVERIFY(QFile::link(victim, dir.filePath(u"Colours.kbd"_s)));
    w.Command1->click();
    QTRY_COMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(messageHolds), qPrintable(messages.first()));
    QCOMPARE(TextFile::read(victim), u"outside\r\n"_s);
    QVERIFY(w.isVisible());
    QVERIFY(!w.importing());
    QVERIFY(w.Command1->isEnabled());
    QVERIFY(w.Text1->isEnabled());
}

void TestWordloom::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments"); // FILE stands for the list's path
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("outHolds");
    QTest::addColumn<QString>("errHolds");
    QTest::addColumn<QStringList>("written");

    const QStringList all { "Colours.kbd", "MyAnimals.kbd", "NewKeyboardList.kbd" };
    QTest::newRow("group named") << QStringList { "--group", "New Keyboard List", "FILE" } << 0
                                 << WordImport::closingMessage() << "" << all;
    QTest::newRow("group by default") << QStringList { "FILE" } << 0 << "NewKeyboardList.kbd\n"
                                      << "" << all;
    QTest::newRow("missing file") << QStringList { "FILE.missing" } << 1 << ""
                                  << "WordLists.txt.missing\" cannot be read" << QStringList();
    QTest::newRow("no file") << QStringList { "--group", "G" } << 2 << ""
                             << "no word-list file given" << QStringList();
    QTest::newRow("unknown option") << QStringList { "--grup", "G", "FILE" } << 2 << ""
                                    << "grup" << QStringList();
}

void TestWordloom::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, outHolds);
    QFETCH(QString, errHolds);
    QFETCH(QStringList, written);

    QTemporaryDir dir;
    const QString lists = dir.filePath(u"lists"_s);
    QVERIFY(QDir().mkpath(lists));
    writeList(lists + u"/WordLists.txt"_s);
    arguments.replaceInStrings(u"FILE"_s, u"lists/WordLists.txt"_s);

    QProcess wordloom;
    wordloom.setWorkingDirectory(dir.path());
    wordloom.start(QStringLiteral(WORDLOOM_EXE), arguments);
    QVERIFY(wordloom.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(wordloom.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(wordloom.readAllStandardError());
    QCOMPARE(wordloom.exitStatus(), QProcess::NormalExit);
    QCOMPARE(wordloom.exitCode(), status);
    QVERIFY2(out.contains(outHolds), qPrintable(out));
    QVERIFY2(errHolds.isEmpty() ? err.isEmpty() : err.contains(errHolds), qPrintable(err));
    QCOMPARE(kbdFiles(lists), written);
    // The files written are the ones printed, each on a line.
    for (const QString &name : written)
        QVERIFY(out.contains(QDir(lists).absoluteFilePath(name) + u'\n'));
    QCOMPARE(kbdFiles(dir.path()), QStringList());
}

QTEST_MAIN(TestWordloom)
#include "tst_wordloom.moc"
