#include "filewrite.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "filebytes.h"

using namespace Qt::StringLiterals;

namespace {

constexpr auto kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr auto kEveryone = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                           | QFileDevice::ReadGroup | QFileDevice::WriteGroup
                           | QFileDevice::ExeGroup | QFileDevice::ReadOther
                           | QFileDevice::WriteOther | QFileDevice::ExeOther;

// A folder "in" with the file names written to, beside "out", where no
// write may land.  Links are given as "name>target", targets as written in
// the link (relative to "in").
struct Folders
{
    QTemporaryDir dir;

    explicit Folders(const QStringList &links)
    {
        QDir(dir.path()).mkpath(u"in/sub"_s);
        QDir(dir.path()).mkpath(u"out"_s);
        writeBytes(in(u"file.txt"_s), "inside\r\n");
        writeBytes(dir.filePath(u"out/victim.txt"_s), "outside\r\n");
        for (const QString &link : links) {
            const qsizetype gt = link.indexOf(u'>');
            QFile::link(link.mid(gt + 1), in(link.left(gt)));
        }
    }
    QString in(const QString &name) const { return dir.filePath(u"in/"_s + name); }
    // Where a landing path is, relative to the temporary folder.
    QString relative(const QString &path) const
    {
        return QDir(QFileInfo(dir.path()).canonicalFilePath()).relativeFilePath(path);
    }
};

} // namespace

class TestFileWrite : public QObject
{
    Q_OBJECT

private slots:
    void target_data();
    void target();
    void replaceThroughLinks_data();
    void replaceThroughLinks();
    void permissions();
    void makeFolder();
    void leftovers_data();
    void leftovers();
    void clearLeftovers();
    void textFileWrites_data();
    void textFileWrites();
};

// Where a write lands, or "refused".
void TestFileWrite::target_data()
{
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("lands");

    QTest::newRow("plain file") << QStringList() << "file.txt"
                                << "in/file.txt";
    QTest::newRow("missing file") << QStringList() << "new.txt"
                                  << "in/new.txt";
    QTest::newRow("link inside") << QStringList { "a.txt>file.txt" } << "a.txt"
                                 << "in/file.txt";
    QTest::newRow("dangling link inside") << QStringList { "a.txt>later.txt" } << "a.txt"
                                          << "in/later.txt";
    QTest::newRow("link inside through ..") << QStringList { "a.txt>../in/file.txt" } << "a.txt"
                                            << "in/file.txt";
    QTest::newRow("link outside") << QStringList { "a.txt>../out/victim.txt" } << "a.txt"
                                  << "refused";
    QTest::newRow("absolute link outside") << QStringList { "a.txt>/etc/passwd" } << "a.txt"
                                           << "refused";
    QTest::newRow("dangling link outside") << QStringList { "a.txt>../out/new.txt" } << "a.txt"
                                           << "refused";
    QTest::newRow("link into a folder below") << QStringList { "a.txt>sub/x.txt" } << "a.txt"
                                              << "refused";
    QTest::newRow("link to a folder") << QStringList { "a.txt>sub" } << "a.txt"
                                      << "refused";
    QTest::newRow("link to the folder itself") << QStringList { "a.txt>." } << "a.txt"
                                               << "refused";
    QTest::newRow("chain inside") << QStringList { "a.txt>b.txt", "b.txt>file.txt" } << "a.txt"
                                  << "in/file.txt";
    QTest::newRow("chain ending outside")
            << QStringList { "a.txt>b.txt", "b.txt>../out/victim.txt" } << "a.txt"
            << "refused";
    QTest::newRow("chain passing outside")
            << QStringList { "a.txt>../out/hop.txt", "../out/hop.txt>../in/file.txt" } << "a.txt"
            << "refused";
    QTest::newRow("loop") << QStringList { "a.txt>b.txt", "b.txt>a.txt" } << "a.txt"
                          << "refused";
    // A byte-order mark is a character of the name like any other.
    QTest::newRow("chain through a name beginning with a byte-order mark")
            << QStringList { u"a.txt>\uFEFFb.txt"_s, u"\uFEFFb.txt>../out/victim.txt"_s } << "a.txt"
            << "refused";
    QTest::newRow("folder reached through a link") << QStringList { "via>sub" } << "via/y.txt"
                                                   << "in/sub/y.txt";
}

void TestFileWrite::target()
{
    QFETCH(QStringList, links);
    QFETCH(QString, name);
    QFETCH(QString, lands);

    const Folders f(links);
    const std::optional<QString> where = FileWrite::target(f.in(name));
    QCOMPARE(where ? f.relative(*where) : u"refused"_s, lands);
}

// A refused write leaves both files as they were; an allowed one writes the
// file the links end at and keeps the links.
void TestFileWrite::replaceThroughLinks_data()
{
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QByteArray>("inside");

    QTest::newRow("link inside") << QStringList { "a.txt>file.txt" } << true << QByteArray("new");
    QTest::newRow("link outside") << QStringList { "a.txt>../out/victim.txt" } << false
                                  << QByteArray("inside\r\n");
    QTest::newRow("dangling outside")
            << QStringList { "a.txt>../out/made.txt" } << false << QByteArray("inside\r\n");
    QTest::newRow("chain to outside") << QStringList { "a.txt>b.txt", "b.txt>../out/victim.txt" }
                                      << false << QByteArray("inside\r\n");
}

void TestFileWrite::replaceThroughLinks()
{
    QFETCH(QStringList, links);
    QFETCH(bool, written);
    QFETCH(QByteArray, inside);

    const Folders f(links);
    QCOMPARE(FileWrite::replace(f.in(u"a.txt"_s), "new"), written);
    QCOMPARE(readBytes(f.in(u"file.txt"_s)), inside);
    QCOMPARE(readBytes(f.dir.filePath(u"out/victim.txt"_s)), QByteArray("outside\r\n"));
    QVERIFY(!QFileInfo::exists(f.dir.filePath(u"out/made.txt"_s)));
    QVERIFY(QFileInfo(f.in(u"a.txt"_s)).isSymLink());
    // No temporary file is left, inside or out.
    for (const QString &folder : { u"in"_s, u"out"_s })
        QCOMPARE(QDir(f.dir.filePath(folder)).entryList({ u"*~*"_s }, QDir::AllEntries).size(), 0);
}

void TestFileWrite::permissions()
{
    QTemporaryDir dir;
    const QString fresh = dir.filePath(u"fresh.txt"_s);
    const QString shared = dir.filePath(u"shared.txt"_s);
    const QString locked = dir.filePath(u"locked.txt"_s);
    QVERIFY(writeBytes(shared, "old"));
    QVERIFY(QFile::setPermissions(shared,
                                  kOwnerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    QVERIFY(writeBytes(locked, "old"));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner));

    QVERIFY(FileWrite::replace(fresh, "a"));
    QVERIFY(FileWrite::replace(shared, "b"));
    QVERIFY(FileWrite::replace(locked, "c"));
    // New files are the user's alone; replaced ones keep their permissions.
    QCOMPARE(QFile::permissions(fresh) & kEveryone, kOwnerOnly);
    QCOMPARE(QFile::permissions(shared) & kEveryone,
             kOwnerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QCOMPARE(QFile::permissions(locked) & kEveryone, QFileDevice::ReadOwner);
    QCOMPARE(readBytes(shared), QByteArray("b"));
}

void TestFileWrite::makeFolder()
{
    QTemporaryDir dir;
    const QString deep = dir.filePath(u"a/b/c"_s);
    QVERIFY(FileWrite::makeFolder(deep));
    for (const QString &made : { u"a"_s, u"a/b"_s, u"a/b/c"_s })
        QCOMPARE(QFile::permissions(dir.filePath(made)) & kEveryone,
                 kOwnerOnly | QFileDevice::ExeOwner);
    // A folder that is there keeps its permissions.
    QVERIFY(QFile::setPermissions(deep, QFile::permissions(deep) | QFileDevice::ReadOther
                                                | QFileDevice::ExeOther));
    QVERIFY(FileWrite::makeFolder(deep));
    QVERIFY(QFile::permissions(deep) & QFileDevice::ReadOther);
    // A link that leads nowhere is not followed, nor is a file taken.
    QVERIFY(QFile::link(dir.filePath(u"elsewhere/x"_s), dir.filePath(u"dangling"_s)));
    QVERIFY(!FileWrite::makeFolder(dir.filePath(u"dangling"_s)));
    QVERIFY(!QFileInfo::exists(dir.filePath(u"elsewhere"_s)));
    QVERIFY(writeBytes(dir.filePath(u"file"_s), "x"));
    QVERIFY(!FileWrite::makeFolder(dir.filePath(u"file/below"_s)));
}

void TestFileWrite::leftovers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("leftover");

    const QStringList kbd { "*.kbd" };
    QTest::newRow("temporary of a keyboard") << "home.kbd~aZ09xY" << true;
    QTest::newRow("letter case of the pattern ignored") << "HOME.KBD~aZ09xY" << true;
    QTest::newRow("five random characters") << "home.kbd~aZ09x" << false;
    QTest::newRow("seven random characters") << "home.kbd~aZ09xYz" << false;
    QTest::newRow("a sign among them") << "home.kbd~aZ-9xY" << false;
    QTest::newRow("another mark") << "home.kbd.aZ09xY" << false;
    QTest::newRow("a name that does not match") << "home.txt~aZ09xY" << false;
    QTest::newRow("no name before the mark") << "~aZ09xY" << false;
    QTest::newRow("the file itself") << "home.kbd" << false;
}

void TestFileWrite::leftovers()
{
    QFETCH(QString, name);
    QFETCH(bool, leftover);
    QCOMPARE(FileWrite::isLeftover(name, { u"*.kbd"_s, u"tmpkb.kbd"_s }), leftover);
}

void TestFileWrite::clearLeftovers()
{
    QTemporaryDir dir;
    for (const char *name :
         { "a.kbd", "a.kbd~Ab12Cd", "b.kbd~xxxxxx", "notes.txt~Ab12Cd", "a.kbd~Ab12" })
        QVERIFY(writeBytes(dir.filePath(QString::fromLatin1(name)), "x"));
    QVERIFY(QDir(dir.path()).mkdir(u"c.kbd~Folder"_s));
    QVERIFY(QFile::link(dir.filePath(u"a.kbd"_s), dir.filePath(u"d.kbd~LinkAb"_s)));

    QStringList removed = FileWrite::clearLeftovers(dir.path(), { u"*.kbd"_s });
    removed.sort();
    QCOMPARE(removed, (QStringList { u"a.kbd~Ab12Cd"_s, u"b.kbd~xxxxxx"_s }));
    QCOMPARE(QDir(dir.path())
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name),
             (QStringList { u"a.kbd"_s, u"a.kbd~Ab12"_s, u"c.kbd~Folder"_s, u"d.kbd~LinkAb"_s,
                            u"notes.txt~Ab12Cd"_s }));
}

// The text writers go through the same door.
void TestFileWrite::textFileWrites_data()
{
    QTest::addColumn<bool>("append");
    QTest::newRow("write") << false;
    QTest::newRow("append") << true;
}

void TestFileWrite::textFileWrites()
{
    QFETCH(bool, append);
    const Folders f({ u"UserAdded.txt>../out/victim.txt"_s });
    const QString path = f.in(u"UserAdded.txt"_s);
    QVERIFY(!(append ? TextFile::append(path, u"Zebra\r\n"_s)
                     : TextFile::write(path, u"Zebra\r\n"_s)));
    QCOMPARE(readBytes(f.dir.filePath(u"out/victim.txt"_s)), QByteArray("outside\r\n"));
    QVERIFY(QFileInfo(path).isSymLink());
}

QTEST_APPLESS_MAIN(TestFileWrite)
#include "tst_filewrite.moc"
