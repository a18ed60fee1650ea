// Suggestions that learn, in the real window: learning at commit points and
// never from deleted text or while paused, the learned words first on the
// buttons, the next word after a space, the "[learn]" key and forgetting.

#include "driving.h"
#include "testfolder.h"

#include "../core/filebytes.h"
#include "access/access.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;
using HandsFree::Id;

namespace {

const QStringList kKeys = {
    "001|hello", "001|help",   "001|world",    "001|then",   "000|h",       "000|e",
    "004|.",     "000|[back]", "000|[delete]", "000|[copy]", "000|[clear]", "000|[learn]",
};

struct Started
{
    TestFolder folder;
    std::unique_ptr<Form1> w;
    QString learned() const { return folder.file(u"words/Learned.txt"_s); }
};

// Starts with lists of its own, no static pairs, and a learned file when
// given; learning and the next word as asked.
std::unique_ptr<Started> start(bool learn, bool next, const QString &learnedFile = QString())
{
    auto s = std::make_unique<Started>();
    s->folder.keyboard(u"t.kbd"_s, kKeys);
    const QString words = s->folder.file(u"words/"_s);
    QFile::remove(words + u"Pairs.txt"_s);
    TextFile::write(words + u"H words 1.txt"_s, u"|hello|help|hat|her|\r\n"_s);
    if (!learnedFile.isEmpty())
        TextFile::write(s->learned(), learnedFile);
    s->w = s->folder.start(0);
    s->w->handsFree->change(Id::NextWord, next);
    s->w->handsFree->change(Id::LearnOn, learn);
    s->w->loadwords();
    s->w->loadmap(s->w->keyboardPath(u"t.kbd"_s));
    if (learn && !QTest::qWaitFor([&] { return s->w->learningReady(); }, 5000))
        qWarning("the learned model did not load");
    return s;
}

QStringList row(Form1 *w)
{
    QStringList out;
    for (int i = 0; i < 4; ++i) {
        if (w->WordSelect(i)->isEnabled())
            out.append(w->WordSelect(i)->ToolTipText.trimmed());
    }
    return out;
}

QHash<QString, int> learnedCounts(Form1 *w)
{
    QHash<QString, int> counts;
    for (const LearnedModel::Word &word : w->learnedWords())
        counts.insert(word.word, int(word.count));
    return counts;
}

} // namespace

class tst_LearningWindow : public QObject
{
    Q_OBJECT
private slots:
    void commitPoints_data();
    void commitPoints();
    void suggestions_data();
    void suggestions();
    void nextWordInserts();
    void pauseAndForget();
    void unreadableModel_data();
    void unreadableModel();
    void absurdSettingsFile();
};

void tst_LearningWindow::commitPoints_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("expected"); // word:count, ...

    QTest::newRow("copy commits") << QStringList { u"hello"_s, u"world"_s, u"[copy]"_s, u"Okay"_s }
                                  << u"hello:1 world:1"_s;
    QTest::newRow("deleted before the commit")
            << QStringList { u"hello"_s, u"world"_s, u"[delete]"_s, u"[copy]"_s, u"Okay"_s }
            << u"hello:1"_s;
    QTest::newRow("the same text twice")
            << QStringList { u"hello"_s, u"[copy]"_s, u"Okay"_s, u"[copy]"_s, u"Okay"_s }
            << u"hello:1"_s;
    QTest::newRow("clear commits, then starts afresh")
            << QStringList { u"hello"_s, u"[clear]"_s, u"yes"_s, u"hello"_s,
                             u"then"_s,  u"[copy]"_s,  u"Okay"_s }
            << u"hello:2 then:1"_s;
    QTest::newRow("no commit, nothing learned")
            << QStringList { u"hello"_s, u"world"_s } << QString();
}

void tst_LearningWindow::commitPoints()
{
    QFETCH(QStringList, script);
    QFETCH(QString, expected);

    auto s = start(true, false);
    play(s->w.get(), u"t.kbd"_s, script);
    QHash<QString, int> want;
    for (const QString &pair : expected.split(u' ', Qt::SkipEmptyParts))
        want.insert(pair.section(u':', 0, 0), pair.section(u':', 1).toInt());
    QCOMPARE(learnedCounts(s->w.get()), want);

    s->w->saveLearned();
    QCOMPARE(QFileInfo::exists(s->learned()), !want.isEmpty());
    if (!want.isEmpty())
        QCOMPARE(QFile::permissions(s->learned()),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

void tst_LearningWindow::suggestions_data()
{
    QTest::addColumn<bool>("learn");
    QTest::addColumn<QString>("learnedFile");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("offered");

    const QString model = u"3\ther\r\n1\thello\r\n2\tthen\ther\r\n"_s;
    // Off: the lists' own order, whatever was learned.
    QTest::newRow("off") << false << model << QStringList { u"h"_s }
                         << QStringList { u"hello"_s, u"help"_s, u"hat"_s, u"her"_s };
    // On with nothing learned: the same.
    QTest::newRow("on, empty model") << true << QString() << QStringList { u"h"_s }
                                     << QStringList { u"hello"_s, u"help"_s, u"hat"_s, u"her"_s };
    // Learned words by count come first, then the lists' without repeats.
    QTest::newRow("learned first") << true << model << QStringList { u"h"_s }
                                   << QStringList { u"her"_s, u"hello"_s, u"help"_s, u"hat"_s };
}

void tst_LearningWindow::suggestions()
{
    QFETCH(bool, learn);
    QFETCH(QString, learnedFile);
    QFETCH(QStringList, script);
    QFETCH(QStringList, offered);

    auto s = start(learn, false, learnedFile);
    play(s->w.get(), u"t.kbd"_s, script);
    QCOMPARE(row(s->w.get()), offered);
}

void tst_LearningWindow::nextWordInserts()
{
    auto s = start(true, true, u"4\thello\tworld\r\n3\t<s>\tthen\r\n"_s);
    Form1 *w = s->w.get();
    play(w, u"t.kbd"_s, { u"hello"_s });
    QCOMPARE(row(w), QStringList { u"world"_s });
    play(w, u"t.kbd"_s, { u"#0"_s, u"."_s });
    QCOMPARE(w->Text1->Text(), u"Hello world. "_s);
    // A sentence starts: its next word comes with a capital.
    QCOMPARE(row(w), QStringList { u"then"_s });
    play(w, u"t.kbd"_s, { u"#0"_s });
    QCOMPARE(w->Text1->Text(), u"Hello world. Then "_s);

    // Off again: after a space the buttons are the lists' as before.
    w->handsFree->change(Id::NextWord, 0);
    play(w, u"t.kbd"_s, { u"hello"_s });
    QVERIFY(!row(w).contains(u"world"_s));
}

void tst_LearningWindow::pauseAndForget()
{
    auto s = start(true, false);
    Form1 *w = s->w.get();
    const auto learnFace = [w] { return w->Command1(keyIndex(w, u"[learn]"_s))->paintedCaption; };
    QCOMPARE(learnFace(), u"Learn On"_s);
    play(w, u"t.kbd"_s, { u"hello"_s, u"[copy]"_s, u"Okay"_s });
    w->saveLearned();
    const QByteArray before = readBytes(s->learned());
    QVERIFY(!before.isEmpty());

    // Paused: nothing is learned, now or when taken up again.
    play(w, u"t.kbd"_s, { u"[learn]"_s });
    QCOMPARE(learnFace(), u"Learn Paused"_s);
    play(w, u"t.kbd"_s, { u"world"_s, u"[copy]"_s, u"Okay"_s, u"[learn]"_s });
    w->saveLearned();
    QCOMPARE(readBytes(s->learned()), before);
    QCOMPARE(learnFace(), u"Learn On"_s);

    play(w, u"t.kbd"_s, { u"then"_s, u"[copy]"_s, u"Okay"_s });
    QCOMPARE(learnedCounts(w).keys().size(), 2);

    // Forgetting from the settings window, with its large buttons only.
    w->handsFree->showSettings();
    AccessSettingsWindow *settings = w->handsFree->settingsWindow();
    const auto press = [settings](const QString &caption) {
        for (FaceButton *b : settings->findChildren<FaceButton *>()) {
            if (b->paintedCaption == caption)
                return b->click(), true;
        }
        return false;
    };
    const QString second = w->learnedWords().at(1).word;
    QVERIFY(press(u"Down"_s) && press(u"Down"_s)); // stays on the last word
    QVERIFY(press(u"Forget word"_s));
    QCOMPARE(learnedCounts(w).keys().size(), 1);
    QVERIFY(!learnedCounts(w).contains(second));
    QVERIFY(press(u"Forget all"_s));
    QVERIFY(QFileInfo::exists(s->learned())); // asked once: nothing gone yet
    QVERIFY(press(u"Sure? Forget"_s));
    QVERIFY(!QFileInfo::exists(s->learned()));
    QVERIFY(w->learnedWords().isEmpty());
}

// A learned file that cannot be read whole is never written over: learning
// stays off for the session, and the user is told once.
void tst_LearningWindow::unreadableModel_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a folder in its place") << u"folder"_s;
    QTest::newRow("larger than the read limit") << u"large"_s;
}

void tst_LearningWindow::unreadableModel()
{
    QFETCH(QString, kind);
    TestFolder folder;
    folder.keyboard(u"t.kbd"_s, kKeys);
    const QString learned = folder.file(u"words/Learned.txt"_s);
    const QByteArray bytes =
            "2\thello\r\n" + QByteArray(LearnedModel::kLargestFile, 'x') + "\r\n1\tworld\r\n";
    if (kind == u"folder")
        QVERIFY(QDir().mkpath(learned));
    else
        QVERIFY(writeBytes(learned, bytes));
    auto w = folder.start(0);
    QString told;
    answerLater(w.get(), u"Okay"_s, &told);
    w->handsFree->change(Id::LearnOn, 1);
    QTRY_VERIFY_WITH_TIMEOUT(!told.isEmpty(), 10000);
    QCOMPARE(told, u"Plumtype could not read the words it has learned from the file "
                   "words/Learned.txt. It leaves that file as it is, and it will not learn from "
                   "your writing until it is started again."_s);
    QVERIFY(!w->learningReady());

    // Commits learn nothing and write nothing, and turning learning off and
    // on again tells nothing more.
    play(w.get(), u"t.kbd"_s, { u"hello"_s, u"world"_s, u"[copy]"_s, u"Okay"_s });
    w->handsFree->change(Id::LearnOn, 0);
    w->handsFree->change(Id::LearnOn, 1);
    QTest::qWait(600);
    QVERIFY(w->FileName != u"Okay.kbd"_s);
    w->saveLearned();
    w->close();
    if (kind == u"folder")
        QVERIFY(QFileInfo(learned).isDir());
    else
        QVERIFY(readBytes(learned) == bytes);
}

// A settings file far larger than Plumtype's own is neither read nor
// written: the settings start as they come, and the user is told so.
void tst_LearningWindow::absurdSettingsFile()
{
    TestFolder folder;
    const QString conf = folder.file(u"config/plumtype/plumtype.conf"_s);
    QVERIFY(QDir().mkpath(QFileInfo(conf).absolutePath()));
    const QByteArray bytes = "[learn]\non=1\n" + QByteArray("; filler\n").repeated(40000);
    QVERIFY(writeBytes(conf, bytes));
    auto w = folder.start(0);
    QString told;
    answerLater(w.get(), u"Okay"_s, &told);
    QTRY_VERIFY_WITH_TIMEOUT(!told.isEmpty(), 10000);
    QVERIFY2(told.startsWith(u"The settings file "_s)
                     && told.contains(u"plumtype.conf is far too "
                                      "large to be Plumtype's "
                                      "own."_s),
             qPrintable(told));
    QVERIFY(!w->handsFree->settings().on(Id::LearnOn));
    w->handsFree->change(Id::NextWord, 1);
    QVERIFY(w->handsFree->settings().on(Id::NextWord));
    QVERIFY(readBytes(conf) == bytes);
}

QTEST_MAIN(tst_LearningWindow)
#include "tst_learningwindow.moc"
