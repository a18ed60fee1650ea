#include "folderlookup.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "filebytes.h"

class TestTextFile : public QObject
{
    Q_OBJECT

private slots:
    void windows1252Byte_data();
    void windows1252Byte();
    void everyByteRoundTrips();
    void everySingleByteFileRoundTrips();
    void readDecodes_data();
    void readDecodes();
    void writtenBytes_data();
    void writtenBytes();
    void roundTrip_data();
    void roundTrip();
    void readMissingFile();
    void readUpToLimit_data();
    void readUpToLimit();
    void readLinesLineEnds_data();
    void readLinesLineEnds();
    void readTellsWhole_data();
    void readTellsWhole();
    void lineReader_data();
    void lineReader();
    void splitLines_data();
    void splitLines();
    void joinLines_data();
    void joinLines();
    void writeReplacesWholeFile();
    void failedWrite_data();
    void failedWrite();
    void append_data();
    void append();
    void resolve_data();
    void resolve();
    void isPlainName_data();
    void isPlainName();
};

void TestTextFile::windows1252Byte_data()
{
    QTest::addColumn<QByteArray>("byte");
    QTest::addColumn<QString>("text");

    QTest::newRow("0x80 euro sign") << QByteArray("\x80") << QStringLiteral("\u20AC");
    QTest::newRow("0xE9 e acute") << QByteArray("\xE9") << QStringLiteral("\u00E9");
    QTest::newRow("0x81 undefined") << QByteArray("\x81") << QStringLiteral("\u0081");
    QTest::newRow("0x8D undefined") << QByteArray("\x8D") << QStringLiteral("\u008D");
    QTest::newRow("0x8F undefined") << QByteArray("\x8F") << QStringLiteral("\u008F");
    QTest::newRow("0x90 undefined") << QByteArray("\x90") << QStringLiteral("\u0090");
    QTest::newRow("0x9D undefined") << QByteArray("\x9D") << QStringLiteral("\u009D");
    QTest::newRow("0x92 right quote") << QByteArray("\x92") << QStringLiteral("\u2019");
    QTest::newRow("0x9F Y diaeresis") << QByteArray("\x9F") << QStringLiteral("\u0178");
    QTest::newRow("0xA0 no-break space") << QByteArray("\xA0") << QStringLiteral("\u00A0");
    QTest::newRow("0xFF y diaeresis") << QByteArray("\xFF") << QStringLiteral("\u00FF");
    QTest::newRow("ascii") << QByteArray("A|z") << QStringLiteral("A|z");
}

void TestTextFile::windows1252Byte()
{
    QFETCH(QByteArray, byte);
    QFETCH(QString, text);

    QCOMPARE(TextFile::fromWindows1252(byte), text);
    QVERIFY(TextFile::canEncodeWindows1252(text));
    QCOMPARE(TextFile::toWindows1252(text), byte);

    // And through a file.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("t.txt"));
    QVERIFY(TextFile::write(path, text));
    QCOMPARE(readBytes(path), byte);
    QCOMPARE(TextFile::read(path).value_or(QStringLiteral("<none>")), text);
}

void TestTextFile::everyByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));

    const QString text = TextFile::fromWindows1252(all);
    QCOMPARE(text.size(), 256);
    QSet<QChar> distinct(text.cbegin(), text.cend());
    QCOMPARE(distinct.size(), 256);
    QVERIFY(TextFile::canEncodeWindows1252(text));
    QCOMPARE(TextFile::toWindows1252(text), all);

    QCOMPARE(TextFile::decode(all), text);
    QCOMPARE(TextFile::encode(text), all);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("all.bin"));
    QVERIFY(writeBytes(path, all));
    const auto read = TextFile::read(path);
    QVERIFY(read.has_value());
    QCOMPARE(*read, text);
    QVERIFY(TextFile::write(path, *read));
    QCOMPARE(readBytes(path), all);
}

void TestTextFile::everySingleByteFileRoundTrips()
{
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, static_cast<char>(b));
        const QString text = TextFile::decode(byte);
        QVERIFY2(text.size() == 1, qPrintable(QString::number(b, 16)));
        QVERIFY2(TextFile::encode(text) == byte, qPrintable(QString::number(b, 16)));
    }
}

void TestTextFile::readDecodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("ascii") << QByteArray("hello\r\n") << QStringLiteral("hello\r\n");
    QTest::newRow("utf-8 e acute") << QByteArray("caf\xC3\xA9") << QStringLiteral("caf\u00E9");
    QTest::newRow("utf-8 euro and l stroke")
            << QByteArray("\xE2\x82\xAC\xC5\x82") << QStringLiteral("\u20AC\u0142");
    QTest::newRow("utf-8 chinese")
            << QByteArray("\xE4\xBD\xA0\xE5\xA5\xBD") << QStringLiteral("\u4F60\u597D");
    QTest::newRow("utf-8 with byte order mark")
            << QByteArray("\xEF\xBB\xBF") + "caf\xC3\xA9" << QStringLiteral("caf\u00E9");
    QTest::newRow("mark only") << QByteArray("\xEF\xBB\xBF") << QString();
    QTest::newRow("a second mark is text")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFhi") << QStringLiteral("\uFEFFhi");
    QTest::newRow("windows-1252 e acute") << QByteArray("caf\xE9") << QStringLiteral("caf\u00E9");
    QTest::newRow("windows-1252 euro") << QByteArray("\x80") + "5" << QStringLiteral("\u20AC5");
    QTest::newRow("truncated utf-8 at the end")
            << QByteArray("abc\xC3") << QStringLiteral("abc\u00C3");
    QTest::newRow("windows-1252 mixed with utf-8 lookalike")
            << QByteArray("\xC3\xA9\xE9") << QStringLiteral("\u00C3\u00A9\u00E9");
    // ASCII is looked for eight bytes at a time: one e acute anywhere in a
    // line of 19 bytes, in the first word, the second, or the bytes after.
    for (int at : { 0, 6, 7, 8, 9, 15, 16, 18 }) {
        QByteArray bytes("abcdefghijklmnopqrs");
        bytes[at] = '\xE9';
        QString text = QStringLiteral("abcdefghijklmnopqrs");
        text[at] = QChar(0xE9);
        QTest::addRow("windows-1252 e acute at %d of 19", at) << bytes << text;
    }
}

void TestTextFile::readDecodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);

    QCOMPARE(TextFile::decode(bytes), text);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("in.txt"));
    QVERIFY(writeBytes(path, bytes));
    QCOMPARE(TextFile::read(path).value_or(QStringLiteral("<none>")), text);
}

void TestTextFile::writtenBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("ascii with CR LF") << QStringLiteral("a\r\nb\r\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("e acute") << QStringLiteral("\u00E9t\u00E9") << QByteArray("\xE9t\xE9");
    QTest::newRow("euro") << QStringLiteral("\u20AC") << QByteArray("\x80");
    QTest::newRow("windows-1252 line")
            << QStringLiteral("caf\u00E9 \u20AC5\r\n") << QByteArray("caf\xE9 \x80") + "5\r\n";
    QTest::newRow("l stroke") << QStringLiteral("\u0142") << QByteArray("\xC5\x82");
    QTest::newRow("euro and l stroke")
            << QStringLiteral("\u20AC\u0142") << QByteArray("\xE2\x82\xAC\xC5\x82");
    QTest::newRow("chinese") << QStringLiteral("\u4F60\u597D")
                             << QByteArray("\xE4\xBD\xA0\xE5\xA5\xBD");
    // Windows-1252 bytes that would read back as UTF-8 must not be written as such.
    QTest::newRow("windows-1252 text forming utf-8")
            << QStringLiteral("\u00C3\u00A9") << QByteArray("\xC3\x83\xC2\xA9");
    // ASCII is looked for four characters at a time: one character beyond
    // it anywhere in a line of 11.
    for (int at : { 0, 3, 4, 7, 8, 10 }) {
        QString text = QStringLiteral("abcdefghijk");
        text[at] = QChar(0x20AC);
        QByteArray bytes("abcdefghijk");
        bytes[at] = '\x80';
        QTest::addRow("euro at %d of 11", at) << text << bytes;
        text[at] = QChar(0x0142);
        bytes = QByteArray("abcdefghijk").replace(at, 1, "\xC5\x82");
        QTest::addRow("l stroke at %d of 11", at) << text << bytes;
    }
}

void TestTextFile::writtenBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    QVERIFY(TextFile::write(path, text));
    QCOMPARE(readBytes(path), bytes);
}

void TestTextFile::roundTrip_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QString();
    QTest::newRow("ascii lines") << QStringLiteral("one\r\ntwo\r\n");
    QTest::newRow("e acute") << QStringLiteral("\u00E9");
    QTest::newRow("euro") << QStringLiteral("\u20AC");
    QTest::newRow("l stroke") << QStringLiteral("\u0142");
    QTest::newRow("euro and l stroke") << QStringLiteral("\u20AC\u0142");
    QTest::newRow("chinese") << QStringLiteral("\u4F60\u597D\r\n\u4E16\u754C");
    QTest::newRow("emoji") << QStringLiteral("hi \U0001F600");
    QTest::newRow("windows-1252 and other")
            << QStringLiteral("caf\u00E9 \u20AC \u0142\u00F3d\u017A");
    QTest::newRow("windows-1252 text forming utf-8") << QStringLiteral("\u00C3\u00A9");
    QTest::newRow("windows-1252 text forming a utf-8 mark")
            << QStringLiteral("\u00EF\u00BB\u00BFhi");
    QTest::newRow("undefined bytes as C1 controls") << QStringLiteral("\u0081\u008D\u008F");
    QTest::newRow("other C1 control") << QStringLiteral("\u0080x");
    QTest::newRow("leading zero width no-break space") << QStringLiteral("\uFEFFhi \u0142");
}

void TestTextFile::roundTrip()
{
    QFETCH(QString, text);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("rt.txt"));
    QVERIFY(TextFile::write(path, text));
    const QByteArray bytes = readBytes(path);
    if (!text.contains(u'?'))
        QVERIFY2(!bytes.contains('?'), bytes.constData());
    if (!TextFile::canEncodeWindows1252(text)) {
        // UTF-8, possibly behind a byte-order mark.
        const QByteArray utf8 = text.toUtf8();
        QVERIFY2(bytes == utf8 || bytes == QByteArray("\xEF\xBB\xBF") + utf8, bytes.toHex());
    }
    QCOMPARE(TextFile::read(path).value_or(QStringLiteral("<none>")), text);
}

void TestTextFile::readMissingFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("missing.txt"));
    QVERIFY(!TextFile::read(path).has_value());
    QVERIFY(!TextFile::readLines(path).has_value());
    QVERIFY(!QFileInfo::exists(path));
}

void TestTextFile::readUpToLimit_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("text");

    QTest::newRow("within the limit") << QByteArray("ab\r\ncd") << 7 << QStringLiteral("ab\r\ncd");
    QTest::newRow("whole lines only")
            << QByteArray("ab\r\ncd\r\nef\r\n") << 6 << QStringLiteral("ab\r\n");
    QTest::newRow("cut between CR and LF")
            << QByteArray("ab\r\ncd\r\n") << 3 << QStringLiteral("ab\r");
    // A character cut in half would turn the whole text into another encoding.
    QTest::newRow("utf-8 stays utf-8") << QByteArray("caf\xC3\xA9\r\n\xC3\xA9t\xC3\xA9") << 9
                                       << QStringLiteral("caf\u00E9\r\n");
    QTest::newRow("one long line") << QByteArray("abcdef") << 4 << QStringLiteral("abcd");
    QTest::newRow("one long utf-8 line cut before a character")
            << QByteArray("caf\xC3\xA9 caf\xC3\xA9") << 10 << QStringLiteral("caf\u00E9 caf");
    QTest::newRow("one long utf-8 line cut after a whole character")
            << QByteArray("caf\xC3\xA9 caf\xC3\xA9") << 5 << QStringLiteral("caf\u00E9");
    QTest::newRow("no limit") << QByteArray("ab\r\ncd") << -1 << QStringLiteral("ab\r\ncd");
}

void TestTextFile::readUpToLimit()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, limit);
    QFETCH(QString, text);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    QVERIFY(writeBytes(path, bytes));
    QCOMPARE(TextFile::read(path, limit).value_or(QStringLiteral("<none>")), text);
}

void TestTextFile::readTellsWhole_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("whole");

    QTest::newRow("no limit") << QByteArray("ab\r\ncd") << -1 << true;
    QTest::newRow("shorter than the limit") << QByteArray("ab\r\ncd") << 7 << true;
    QTest::newRow("exactly the limit") << QByteArray("ab\r\ncd") << 6 << true;
    QTest::newRow("one byte more") << QByteArray("ab\r\ncd") << 5 << false;
    QTest::newRow("empty file, no room") << QByteArray() << 0 << true;
}

void TestTextFile::readTellsWhole()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, limit);
    QFETCH(bool, whole);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.txt"));
    QVERIFY(writeBytes(path, bytes));
    bool read = !whole;
    QVERIFY(TextFile::read(path, limit, &read).has_value());
    QCOMPARE(read, whole);
    // A folder cannot be read at all.
    bool folderWhole = true;
    QVERIFY(!TextFile::read(dir.path(), limit, &folderWhole).has_value());
    QVERIFY(!folderWhole);
}

// Lines read a few bytes at a time are the lines of the whole file, whatever
// falls on the boundaries: CR LF, a UTF-8 character, the byte-order mark.
void TestTextFile::lineReader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<QStringList>("lines");

    const QStringList abc { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") };
    QTest::newRow("CR LF, byte by byte") << QByteArray("a\r\nb\r\nc\r\n") << 1 << abc;
    QTest::newRow("CR LF across a boundary") << QByteArray("a\r\nb\r\nc") << 2 << abc;
    QTest::newRow("lone CR, LF") << QByteArray("a\rb\nc") << 1 << abc;
    QTest::newRow("CR at the very end") << QByteArray("a\r\nb\r\nc\r") << 3 << abc;
    QTest::newRow("empty lines kept")
            << QByteArray("a\r\n\r\n\r\nb") << 4
            << QStringList { QStringLiteral("a"), QString(), QString(), QStringLiteral("b") };
    QTest::newRow("UTF-8 split in the middle of a character")
            << QByteArray("\xC3\xA9t\xC3\xA9\r\n\xE2\x82\xAC") << 1
            << QStringList { QStringLiteral("\u00E9t\u00E9"), QStringLiteral("\u20AC") };
    QTest::newRow("byte-order mark dropped") << QByteArray("\xEF\xBB\xBF"
                                                           "caf\xC3\xA9")
                                             << 2 << QStringList { QStringLiteral("caf\u00E9") };
    QTest::newRow("a second byte-order mark kept") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx") << 5
                                                   << QStringList { QStringLiteral("\uFEFFx") };
    QTest::newRow("Windows-1252") << QByteArray("caf\xE9\r\n\x80") << 2
                                  << QStringList { QStringLiteral("caf\u00E9"),
                                                   QStringLiteral("\u20AC") };
    QTest::newRow("valid UTF-8 until a cut last character: Windows-1252")
            << QByteArray("\xC3\xA9\r\n\xC3") << 1
            << QStringList { QStringLiteral("\u00C3\u00A9"), QStringLiteral("\u00C3") };
    QTest::newRow("invalid UTF-8 far behind the start: Windows-1252")
            << QByteArray("\xC3\xA9 ok\r\n") + QByteArray(100, 'x') + QByteArray("\xFF") << 7
            << QStringList { QStringLiteral("\u00C3\u00A9 ok"),
                             QString(100, u'x') + QStringLiteral("\u00FF") };
    QTest::newRow("mark before invalid UTF-8: all Windows-1252")
            << QByteArray("\xEF\xBB\xBF\xFF") << 64
            << QStringList { QStringLiteral("\u00EF\u00BB\u00BF\u00FF") };
    QTest::newRow("empty file") << QByteArray() << 8 << QStringList();
    QTest::newRow("only line ends")
            << QByteArray("\r\n\n") << 1 << QStringList { QString(), QString() };
}

void TestTextFile::lineReader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, chunk);
    QFETCH(QStringList, lines);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lines.txt"));
    QVERIFY(writeBytes(path, bytes));
    TextFile::LineReader reader(path, chunk);
    QVERIFY(reader.isOk());
    QStringList read;
    QString line;
    while (reader.next(&line))
        read.append(line);
    QVERIFY(reader.isOk());
    QCOMPARE(read, lines);
    QCOMPARE(TextFile::readLines(path).value_or(QStringList { QStringLiteral("<none>") }), lines);

    TextFile::LineReader missing(dir.filePath(QStringLiteral("missing.txt")));
    QVERIFY(!missing.isOk());
    QVERIFY(!missing.next(&line));
}

void TestTextFile::readLinesLineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    const QStringList ab { QStringLiteral("a"), QStringLiteral("b") };
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << ab;
    QTest::newRow("LF") << QByteArray("a\nb\n") << ab;
    QTest::newRow("mixed") << QByteArray("a\nb\r\n") << ab;
    QTest::newRow("no final line end") << QByteArray("a\r\nb") << ab;
    QTest::newRow("windows-1252") << QByteArray("\xE9t\xE9\r\n\x80\r\n")
                                  << QStringList { QStringLiteral("\u00E9t\u00E9"),
                                                   QStringLiteral("\u20AC") };
    QTest::newRow("empty file") << QByteArray() << QStringList();
}

void TestTextFile::readLinesLineEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("lines.txt"));
    QVERIFY(writeBytes(path, bytes));
    const auto read = TextFile::readLines(path);
    QVERIFY(read.has_value());
    QCOMPARE(*read, lines);
}

void TestTextFile::splitLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("one line") << QStringLiteral("a") << QStringList { QStringLiteral("a") };
    QTest::newRow("trailing CR LF")
            << QStringLiteral("a\r\n") << QStringList { QStringLiteral("a") };
    QTest::newRow("trailing LF") << QStringLiteral("a\n") << QStringList { QStringLiteral("a") };
    QTest::newRow("trailing lone CR")
            << QStringLiteral("a\r") << QStringList { QStringLiteral("a") };
    QTest::newRow("only a line end") << QStringLiteral("\r\n") << QStringList { QString() };
    QTest::newRow("two line ends")
            << QStringLiteral("\r\n\r\n") << QStringList { QString(), QString() };
    QTest::newRow("empty line kept")
            << QStringLiteral("a\r\n\r\nb")
            << QStringList { QStringLiteral("a"), QString(), QStringLiteral("b") };
    QTest::newRow("empty line before the end")
            << QStringLiteral("a\r\n\r\n") << QStringList { QStringLiteral("a"), QString() };
    QTest::newRow("leading empty line")
            << QStringLiteral("\nb") << QStringList { QString(), QStringLiteral("b") };
    QTest::newRow("lone CR") << QStringLiteral("a\rb")
                             << QStringList { QStringLiteral("a"), QStringLiteral("b") };
    QTest::newRow("CR then CR LF")
            << QStringLiteral("a\r\r\nb")
            << QStringList { QStringLiteral("a"), QString(), QStringLiteral("b") };
    QTest::newRow("LF then CR") << QStringLiteral(
            "a\n\rb") << QStringList { QStringLiteral("a"), QString(), QStringLiteral("b") };
    QTest::newRow("spaces and tabs kept")
            << QStringLiteral(" a \r\n\tb\t")
            << QStringList { QStringLiteral(" a "), QStringLiteral("\tb\t") };
}

void TestTextFile::splitLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);

    QCOMPARE(TextFile::splitLines(text), lines);
}

void TestTextFile::joinLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("text");

    QTest::newRow("none") << QStringList() << QString();
    QTest::newRow("one") << QStringList { QStringLiteral("Orvane") }
                         << QStringLiteral("Orvane\r\n");
    QTest::newRow("one empty") << QStringList { QString() } << QStringLiteral("\r\n");
    QTest::newRow("empty line inside")
            << QStringList { QStringLiteral("a"), QString(), QStringLiteral("b") }
            << QStringLiteral("a\r\n\r\nb\r\n");
}

void TestTextFile::joinLines()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, text);

    QCOMPARE(TextFile::joinLines(lines), text);
    QCOMPARE(TextFile::splitLines(TextFile::joinLines(lines)), lines);
}

void TestTextFile::writeReplacesWholeFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("w.txt"));
    QVERIFY(TextFile::write(path, QStringLiteral("a rather long first text\r\n")));
    QVERIFY(TextFile::write(path, QStringLiteral("short\r\n")));
    QCOMPARE(readBytes(path), QByteArray("short\r\n"));
    // No temporary file is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList { QStringLiteral("w.txt") });
}

void TestTextFile::failedWrite_data()
{
    QTest::addColumn<QString>("relative");

    QTest::newRow("missing folder") << QStringLiteral("nofolder/file.txt");
    QTest::newRow("folder in the way") << QStringLiteral("afolder");
    QTest::newRow("file as folder") << QStringLiteral("old.txt/file.txt");
}

void TestTextFile::failedWrite()
{
    QFETCH(QString, relative);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("afolder")));
    const QString old = dir.filePath(QStringLiteral("old.txt"));
    QVERIFY(writeBytes(old, "old\r\n"));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    QVERIFY(!TextFile::write(dir.filePath(relative), QStringLiteral("new\r\n")));
    QVERIFY(!TextFile::append(dir.filePath(relative), QStringLiteral("new\r\n")));

    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("afolder"))).isDir());
    QVERIFY(QDir(dir.filePath(QStringLiteral("afolder"))).isEmpty());
    QCOMPARE(readBytes(old), QByteArray("old\r\n"));
}

void TestTextFile::append_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("added");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("missing file is created")
            << false << QByteArray() << QStringLiteral("Kiwi\r\n") << QByteArray("Kiwi\r\n");
    QTest::newRow("empty file") << true << QByteArray() << QStringLiteral("Kiwi\r\n")
                                << QByteArray("Kiwi\r\n");
    QTest::newRow("keeps content") << true << QByteArray("Orvane\r\n") << QStringLiteral("Kiwi\r\n")
                                   << QByteArray("Orvane\r\nKiwi\r\n");
    // The new text starts on a line of its own, whatever ended the file.
    QTest::newRow("no line end before")
            << true << QByteArray("Orvane\r\nAnnabel") << QStringLiteral("Kiwi\r\n")
            << QByteArray("Orvane\r\nAnnabel\r\nKiwi\r\n");
    QTest::newRow("LF line end before")
            << true << QByteArray("Orvane\n") << QStringLiteral("Kiwi\r\n")
            << QByteArray("Orvane\nKiwi\r\n");
    QTest::newRow("CR line end before")
            << true << QByteArray("Orvane\r") << QStringLiteral("Kiwi\r\n")
            << QByteArray("Orvane\rKiwi\r\n");
    QTest::newRow("CR line end before, text starting with LF")
            << true << QByteArray("Orvane\r") << QStringLiteral("\nKiwi\r\n")
            << QByteArray("Orvane\r\n\nKiwi\r\n");
    QTest::newRow("utf-8 file, no line end before")
            << true << QByteArray("caf\xC3\xA9") << QStringLiteral("tea\r\n")
            << QByteArray("caf\xC3\xA9\r\ntea\r\n");
    QTest::newRow("windows-1252 file stays windows-1252")
            << true << QByteArray("\xE9t\xE9\r\n") << QStringLiteral("caf\u00E9\r\n")
            << QByteArray("\xE9t\xE9\r\ncaf\xE9\r\n");
    QTest::newRow("utf-8 file stays utf-8")
            << true << QByteArray("caf\xC3\xA9\r\n") << QStringLiteral("tea\r\n")
            << QByteArray("caf\xC3\xA9\r\ntea\r\n");
    QTest::newRow("utf-8 file, windows-1252 word")
            << true << QByteArray("\xC5\x82\r\n") << QStringLiteral("\u00E9\r\n")
            << QByteArray("\xC5\x82\r\n\xC3\xA9\r\n");
    QTest::newRow("utf-8 file with a mark")
            << true << QByteArray("\xEF\xBB\xBFhi\r\n") << QStringLiteral("caf\u00E9\r\n")
            << QByteArray("\xEF\xBB\xBFhi\r\ncaf\xC3\xA9\r\n");
    QTest::newRow("mark followed by windows-1252")
            << true << QByteArray("\xEF\xBB\xBF\xE9\r\n") << QStringLiteral("caf\u00E9\r\n")
            << QByteArray("\xEF\xBB\xBF\xE9\r\ncaf\xE9\r\n");
    QTest::newRow("text with a leading mark into a new file")
            << false << QByteArray() << QStringLiteral("\uFEFF\u0142\r\n")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF\xC5\x82\r\n");
    QTest::newRow("windows-1252 file, word it cannot hold")
            << true << QByteArray("\xE9\r\n") << QStringLiteral("\u0142\r\n")
            << QByteArray("\xC3\xA9\r\n\xC5\x82\r\n");
}

void TestTextFile::append()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, before);
    QFETCH(QString, added);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("UserAdded.txt"));
    if (exists)
        QVERIFY(writeBytes(path, before));
    const QStringList oldLines = TextFile::splitLines(TextFile::decode(before));

    QVERIFY(TextFile::append(path, added));
    QCOMPARE(readBytes(path), after);
    // Every old line is kept, and the new text follows as lines of its own.
    QCOMPARE(TextFile::readLines(path).value_or(QStringList()),
             oldLines + TextFile::splitLines(added));
}

void TestTextFile::resolve_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("expected");

    QTest::newRow("other case") << QStringLiteral("home.kbd") << QStringLiteral("Home.kbd");
    QTest::newRow("upper case") << QStringLiteral("HOME.KBD") << QStringLiteral("Home.kbd");
    QTest::newRow("exact") << QStringLiteral("Home.kbd") << QStringLiteral("Home.kbd");
    QTest::newRow("folder and file in other case")
            << QStringLiteral("words/UserAdded.txt") << QStringLiteral("Words/useradded.txt");
    QTest::newRow("exact lower wins")
            << QStringLiteral("Both/home.kbd") << QStringLiteral("Both/home.kbd");
    QTest::newRow("exact capital wins")
            << QStringLiteral("both/Home.kbd") << QStringLiteral("Both/Home.kbd");
    QTest::newRow("missing file in found folder")
            << QStringLiteral("WORDS/New File.txt") << QStringLiteral("Words/New File.txt");
    QTest::newRow("missing folder kept as given")
            << QStringLiteral("savedText/Home.kbd") << QStringLiteral("savedText/Home.kbd");
    QTest::newRow("nested") << QStringLiteral("keyboards/sub/DEEP.kbd")
                            << QStringLiteral("Keyboards/Sub/deep.kbd");
    QTest::newRow("folder only") << QStringLiteral("keyboards") << QStringLiteral("Keyboards");
}

void TestTextFile::resolve()
{
    QFETCH(QString, relative);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QDir base(dir.path());
    QVERIFY(base.mkpath(QStringLiteral("Words")));
    QVERIFY(base.mkpath(QStringLiteral("Both")));
    QVERIFY(base.mkpath(QStringLiteral("Keyboards/Sub")));
    for (const char *file : { "Home.kbd", "Words/useradded.txt", "Both/home.kbd", "Both/Home.kbd",
                              "Keyboards/Sub/deep.kbd" })
        QVERIFY(writeBytes(base.filePath(QLatin1String(file)), "x"));

    QCOMPARE(FolderLookup::resolve(dir.path(), relative), dir.path() + u'/' + expected);
}

void TestTextFile::isPlainName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("plain");

    QTest::newRow("empty") << QString() << false;
    QTest::newRow("dot") << QStringLiteral(".") << false;
    QTest::newRow("dot dot") << QStringLiteral("..") << false;
    QTest::newRow("slash") << QStringLiteral("a/b") << false;
    QTest::newRow("backslash") << QStringLiteral("a\\b") << false;
    QTest::newRow("leading slash") << QStringLiteral("/home.kbd") << false;
    QTest::newRow("parent path") << QStringLiteral("../x.kbd") << false;
    QTest::newRow("plain") << QStringLiteral("home.kbd") << true;
    QTest::newRow("with spaces") << QStringLiteral("A words 1.txt") << true;
    QTest::newRow("dots inside") << QStringLiteral("..x") << true;
}

void TestTextFile::isPlainName()
{
    QFETCH(QString, name);
    QFETCH(bool, plain);

    QCOMPARE(FolderLookup::isPlainName(name), plain);
}

QTEST_GUILESS_MAIN(TestTextFile)

#include "tst_textfile.moc"
