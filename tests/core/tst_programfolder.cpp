#include "programfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool writeBytes(const QString &root, const QString &relative, const QByteArray &bytes)
{
    const QString path = root + u'/' + relative;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &root, const QString &relative)
{
    QFile file(root + u'/' + relative);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<cannot open>");
    return file.readAll();
}

// Every file and folder under `root`, relative, sorted; folders end in "/".
QStringList tree(const QString &root)
{
    QStringList out;
    const QDir base(root);
    QDirIterator it(root, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        out.append(base.relativeFilePath(path) + (it.fileInfo().isDir() ? u"/"_s : QString()));
    }
    out.sort();
    return out;
}

// A small shipped folder: keyboards (one nested), a word list, the screen
// size file and the empty saved-text folder.
bool makeShipped(const QString &root)
{
    return writeBytes(root, u"Keyboards/home.kbd"_s, "999|Numbers\r\n000|[back]\r\n")
           && writeBytes(root, u"Keyboards/Numbers.kbd"_s, "000|1\r\n000|2\r\n")
           && writeBytes(root, u"Keyboards/More/Deep.kbd"_s, "001|deep\r\n")
           && writeBytes(root, u"words/A words 1.txt"_s, "|a|\r\n")
           && writeBytes(root, u"screensize.dat"_s, "8925\r\n12000\r\n615\r\n1215\r\n")
           && QDir(root).mkpath(u"SavedText"_s);
}

} // namespace

class TestProgramFolder : public QObject
{
    Q_OBJECT

private slots:
    void copiesMissingFilesAndFolders();
    void neverOverwrites();
    void otherCaseCountsAsPresent_data();
    void otherCaseCountsAsPresent();
    void missingFileGoesIntoFolderInOtherCase();
    void secondRunCopiesNothing();
    void shippedData();
    void choose_data();
    void choose();
    void linksInTheFolder_data();
    void linksInTheFolder();
    void privateFolders();
};

void TestProgramFolder::copiesMissingFilesAndFolders()
{
    QTemporaryDir shipped;
    QTemporaryDir user;
    QVERIFY(shipped.isValid() && user.isValid());
    QVERIFY(makeShipped(shipped.path()));
    const QString target = user.filePath(u"Plumtype"_s);

    const ProgramFolder::Result result = ProgramFolder::layOut(shipped.path(), target);
    QStringList copied = result.copied;
    copied.sort();
    QCOMPARE(copied, (QStringList { u"Keyboards/More/Deep.kbd"_s, u"Keyboards/Numbers.kbd"_s,
                                    u"Keyboards/home.kbd"_s, u"screensize.dat"_s,
                                    u"words/A words 1.txt"_s }));
    QCOMPARE(result.failed, QStringList());
    QCOMPARE(tree(target), tree(shipped.path()));
    for (const QString &file : copied)
        QCOMPARE(readBytes(target, file), readBytes(shipped.path(), file));
    QVERIFY(QFileInfo(target + u"/SavedText"_s).isDir());
    QVERIFY(QDir(target + u"/SavedText"_s).isEmpty());
}

void TestProgramFolder::neverOverwrites()
{
    QTemporaryDir shipped;
    QTemporaryDir target;
    QVERIFY(shipped.isValid() && target.isValid());
    QVERIFY(makeShipped(shipped.path()));
    QVERIFY(writeBytes(target.path(), u"Keyboards/home.kbd"_s, "001|mine\r\n"));
    QVERIFY(writeBytes(target.path(), u"screensize.dat"_s, "16200\r\n28800\r\n1213\r\n2379\r\n"));
    QVERIFY(writeBytes(target.path(), u"SavedText/letter.txt"_s, "Dear Sam\r\n"));

    for (int run = 0; run < 2; ++run) {
        const ProgramFolder::Result result = ProgramFolder::layOut(shipped.path(), target.path());
        QVERIFY(!result.copied.contains(u"Keyboards/home.kbd"_s));
        QVERIFY(!result.copied.contains(u"screensize.dat"_s));
        QCOMPARE(result.failed, QStringList());
        QCOMPARE(readBytes(target.path(), u"Keyboards/home.kbd"_s), QByteArray("001|mine\r\n"));
        QCOMPARE(readBytes(target.path(), u"screensize.dat"_s),
                 QByteArray("16200\r\n28800\r\n1213\r\n2379\r\n"));
        QCOMPARE(readBytes(target.path(), u"SavedText/letter.txt"_s), QByteArray("Dear Sam\r\n"));
        QCOMPARE(readBytes(target.path(), u"Keyboards/Numbers.kbd"_s),
                 QByteArray("000|1\r\n000|2\r\n"));
    }
}

void TestProgramFolder::otherCaseCountsAsPresent_data()
{
    QTest::addColumn<QString>("userFile");
    QTest::addColumn<QString>("shippedFile");

    QTest::newRow("keyboard") << u"keyboards/HOME.KBD"_s << u"Keyboards/home.kbd"_s;
    QTest::newRow("keyboard, folder as shipped")
            << u"Keyboards/NUMBERS.kbd"_s << u"Keyboards/Numbers.kbd"_s;
    QTest::newRow("nested") << u"KEYBOARDS/more/deep.KBD"_s << u"Keyboards/More/Deep.kbd"_s;
    QTest::newRow("word list") << u"Words/a WORDS 1.TXT"_s << u"words/A words 1.txt"_s;
    QTest::newRow("screen size") << u"ScreenSize.DAT"_s << u"screensize.dat"_s;
}

void TestProgramFolder::otherCaseCountsAsPresent()
{
    QFETCH(QString, userFile);
    QFETCH(QString, shippedFile);

    QTemporaryDir shipped;
    QTemporaryDir target;
    QVERIFY(shipped.isValid() && target.isValid());
    QVERIFY(makeShipped(shipped.path()));
    QVERIFY(writeBytes(target.path(), userFile, "mine\r\n"));
    QVERIFY(QDir(target.path()).mkdir(u"savedtext"_s));

    const ProgramFolder::Result result = ProgramFolder::layOut(shipped.path(), target.path());
    QVERIFY(!result.copied.contains(shippedFile));
    QCOMPARE(result.failed, QStringList());
    QCOMPARE(readBytes(target.path(), userFile), QByteArray("mine\r\n"));

    // No second file or folder in the shipped spelling beside the user's.
    const QStringList all = tree(target.path());
    for (const QString &a : all) {
        for (const QString &b : all) {
            if (a != b)
                QVERIFY2(a.compare(b, Qt::CaseInsensitive) != 0, qPrintable(a + u' ' + b));
        }
    }
    QVERIFY(!all.contains(u"SavedText/"_s));
}

void TestProgramFolder::missingFileGoesIntoFolderInOtherCase()
{
    QTemporaryDir shipped;
    QTemporaryDir target;
    QVERIFY(shipped.isValid() && target.isValid());
    QVERIFY(makeShipped(shipped.path()));
    QVERIFY(writeBytes(target.path(), u"keyboards/HOME.KBD"_s, "mine\r\n"));

    const ProgramFolder::Result result = ProgramFolder::layOut(shipped.path(), target.path());
    QVERIFY(result.copied.contains(u"Keyboards/Numbers.kbd"_s));
    QVERIFY(result.copied.contains(u"Keyboards/More/Deep.kbd"_s));
    QCOMPARE(readBytes(target.path(), u"keyboards/Numbers.kbd"_s),
             QByteArray("000|1\r\n000|2\r\n"));
    QCOMPARE(readBytes(target.path(), u"keyboards/More/Deep.kbd"_s), QByteArray("001|deep\r\n"));
    QCOMPARE(readBytes(target.path(), u"keyboards/HOME.KBD"_s), QByteArray("mine\r\n"));
    QVERIFY(!QFileInfo::exists(target.filePath(u"Keyboards"_s)));
}

void TestProgramFolder::secondRunCopiesNothing()
{
    QTemporaryDir shipped;
    QTemporaryDir target;
    QVERIFY(shipped.isValid() && target.isValid());
    QVERIFY(makeShipped(shipped.path()));

    const ProgramFolder::Result first = ProgramFolder::layOut(shipped.path(), target.path());
    QCOMPARE(first.copied.size(), 5);
    const QStringList after = tree(target.path());

    const ProgramFolder::Result second = ProgramFolder::layOut(shipped.path(), target.path());
    QCOMPARE(second.copied, QStringList());
    QCOMPARE(second.failed, QStringList());
    QCOMPARE(tree(target.path()), after);
}

void TestProgramFolder::shippedData()
{
    const QString source = QStringLiteral(PLUMTYPE_SOURCE_DATA);
    if (!QFileInfo(source).isDir())
        QSKIP("no shipped data folder");
    QTemporaryDir target;
    QVERIFY(target.isValid());

    const ProgramFolder::Result first = ProgramFolder::layOut(source, target.path());
    QCOMPARE(first.failed, QStringList());
    QCOMPARE(tree(target.path()), tree(source));
    for (const QString &entry : tree(source)) {
        if (!entry.endsWith(u'/'))
            QCOMPARE(readBytes(target.path(), entry), readBytes(source, entry));
    }

    const ProgramFolder::Result second = ProgramFolder::layOut(source, target.path());
    QCOMPARE(second.copied, QStringList());
    QCOMPARE(second.failed, QStringList());
}

void TestProgramFolder::choose_data()
{
    // How the user's folder is found, whether the shipped folder serves
    // instead, and whether anything can be saved.
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("usesShipped");
    QTest::addColumn<bool>("canSave");

    QTest::newRow("new folder") << u"new"_s << false << true;
    QTest::newRow("folder cannot be made") << u"blocked"_s << true << false;
    QTest::newRow("read-only folder with the keyboards") << u"read-only full"_s << false << false;
    QTest::newRow("read-only empty folder") << u"read-only empty"_s << true << false;
}

void TestProgramFolder::choose()
{
    QFETCH(QString, state);
    QFETCH(bool, usesShipped);
    QFETCH(bool, canSave);

    QTemporaryDir shipped;
    QTemporaryDir home;
    QVERIFY(makeShipped(shipped.path()));
    QString target = home.filePath(u"plumtype"_s);
    if (state == u"blocked") {
        QVERIFY(writeBytes(home.path(), u"file"_s, "x"));
        target = home.filePath(u"file/plumtype"_s);
    } else if (state.startsWith(u"read-only")) {
        if (state.endsWith(u"full"))
            QVERIFY(makeShipped(target));
        QVERIFY(QDir().mkpath(target));
        QFile::setPermissions(target, QFile::ReadOwner | QFile::ExeOwner);
        // Permissions do not stop the superuser.
        if (QFileInfo(target).isWritable()
            || QFile(target + u"/probe"_s).open(QIODevice::WriteOnly))
            QSKIP("the folder stays writable for this user");
    }

    const ProgramFolder::Choice choice = ProgramFolder::choose(shipped.path(), target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(choice.folder, usesShipped ? shipped.path() : target);
    QCOMPARE(choice.readOnlyReason.isEmpty(), canSave);
    if (!canSave)
        QVERIFY(choice.readOnlyReason.contains(target));
    // No probe is left behind.
    if (canSave)
        QCOMPARE(tree(target), tree(shipped.path()));
}

// A link the user left in the program folder: one that leads out is never
// written through (its copy fails), one to a file or folder inside is theirs.
void TestProgramFolder::linksInTheFolder_data()
{
    QTest::addColumn<QString>("link");   // in the program folder
    QTest::addColumn<QString>("target"); // as the link holds it
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("outside"); // what ../outside/victim.txt then holds

    QTest::newRow("dangling, out of the folder")
            << u"Keyboards/Numbers.kbd"_s << u"../../outside/made.kbd"_s << true << u"outside"_s;
    QTest::newRow("to a file out of the folder")
            << u"Keyboards/Numbers.kbd"_s << u"../../outside/victim.txt"_s << false << u"outside"_s;
    QTest::newRow("dangling, inside")
            << u"Keyboards/Numbers.kbd"_s << u"Numbers2.kbd"_s << false << u"outside"_s;
}

void TestProgramFolder::linksInTheFolder()
{
    QFETCH(QString, link);
    QFETCH(QString, target);
    QFETCH(bool, failed);
    QFETCH(QString, outside);

    QTemporaryDir shipped;
    QTemporaryDir root;
    QVERIFY(makeShipped(shipped.path()));
    const QString folder = root.filePath(u"plumtype"_s);
    QVERIFY(writeBytes(root.path(), u"outside/victim.txt"_s, "outside"));
    QVERIFY(QDir().mkpath(folder + u"/Keyboards"_s));
    QVERIFY(QFile::link(target, folder + u'/' + link));

    const ProgramFolder::Result result = ProgramFolder::layOut(shipped.path(), folder);
    QCOMPARE(result.failed.contains(link), failed);
    QCOMPARE(QString::fromLatin1(readBytes(root.path(), u"outside/victim.txt"_s)), outside);
    QCOMPARE(QDir(root.filePath(u"outside"_s)).entryList(QDir::Files),
             QStringList { u"victim.txt"_s });
    QVERIFY(QFileInfo(folder + u'/' + link).isSymLink());
}

// The folders Plumtype makes are the user's alone, and so are the copies.
void TestProgramFolder::privateFolders()
{
    QTemporaryDir shipped;
    QTemporaryDir user;
    QVERIFY(makeShipped(shipped.path()));
    const QString target = user.filePath(u"data/plumtype"_s);
    ProgramFolder::layOut(shipped.path(), target);
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    for (const QString &made :
         { u"data"_s, u"data/plumtype"_s, u"data/plumtype/Keyboards"_s,
           u"data/plumtype/Keyboards/More"_s, u"data/plumtype/SavedText"_s,
           u"data/plumtype/words/A words 1.txt"_s, u"data/plumtype/screensize.dat"_s })
        QVERIFY2(!(QFile::permissions(user.filePath(made)) & others), qPrintable(made));
}

QTEST_GUILESS_MAIN(TestProgramFolder)

#include "tst_programfolder.moc"
