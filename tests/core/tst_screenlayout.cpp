#include "screensize.h"
#include "windowlayout.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "filebytes.h"

using namespace Qt::StringLiterals;

class TestScreenLayout : public QObject
{
    Q_OBJECT

private slots:
    void readFile_data();
    void readFile();
    void readMissingFile();
    void leadingNumber_data();
    void leadingNumber();
    void writeThenRead_data();
    void writeThenRead();
    void writeIntoMissingFolder();
    void layout_data();
    void layout();
    void tinyWindow_data();
    void tinyWindow();
    void badSizesFit_data();
    void badSizesFit();
    void storable_data();
    void storable();
};

void TestScreenLayout::readFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("windowHeight");
    QTest::addColumn<double>("windowWidth");
    QTest::addColumn<double>("keyHeight");
    QTest::addColumn<double>("keyWidth");

    QTest::newRow("height first, then width") << QByteArray("8925\r\n12000\r\n615\r\n1215\r\n")
                                              << true << 8925.0 << 12000.0 << 615.0 << 1215.0;
    QTest::newRow("spaces around the numbers")
            << QByteArray("  9000  \r\n 12250\r\n585 \r\n   1000   \r\n") << true << 9000.0
            << 12250.0 << 585.0 << 1000.0;
    QTest::newRow("LF line ends") << QByteArray("9000\n12250\n585\n1000\n") << true << 9000.0
                                  << 12250.0 << 585.0 << 1000.0;
    QTest::newRow("no final line end") << QByteArray("9000\r\n12250\r\n585\r\n1000") << true
                                       << 9000.0 << 12250.0 << 585.0 << 1000.0;
    QTest::newRow("key lines without a number") << QByteArray("9000\r\n12250\r\nabc\r\n\r\n")
                                                << true << 9000.0 << 12250.0 << 0.0 << 0.0;
    QTest::newRow("text behind the numbers")
            << QByteArray("9000 twips\r\n12250;\r\n585x\r\n1000 twips\r\n") << true << 9000.0
            << 12250.0 << 585.0 << 1000.0;
    QTest::newRow("fractions") << QByteArray("9000.5\r\n12250\r\n585.9\r\n1000.25\r\n") << true
                               << 9000.5 << 12250.0 << 585.9 << 1000.25;
    QTest::newRow("more than four lines") << QByteArray("9000\r\n12250\r\n585\r\n1000\r\n77\r\n")
                                          << true << 9000.0 << 12250.0 << 585.0 << 1000.0;
    QTest::newRow("three lines") << QByteArray("9000\r\n12250\r\n585\r\n") << false << 0.0 << 0.0
                                 << 0.0 << 0.0;
    QTest::newRow("empty file") << QByteArray() << false << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("no window size")
            << QByteArray("x\r\ny\r\n615\r\n1215\r\n") << false << 0.0 << 0.0 << 0.0 << 0.0;
}

void TestScreenLayout::readFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QFETCH(double, windowHeight);
    QFETCH(double, windowWidth);
    QFETCH(double, keyHeight);
    QFETCH(double, keyWidth);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"screensize.dat"_s);
    QVERIFY(writeBytes(path, bytes));

    const std::optional<ScreenSize> size = ScreenSizeFile::read(path);
    QCOMPARE(size.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(size->windowHeight, windowHeight);
    QCOMPARE(size->windowWidth, windowWidth);
    QCOMPARE(size->keyHeight, keyHeight);
    QCOMPARE(size->keyWidth, keyWidth);
}

void TestScreenLayout::readMissingFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!ScreenSizeFile::read(dir.filePath(u"screensize.dat"_s)).has_value());
}

void TestScreenLayout::leadingNumber_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<double>("number");

    QTest::newRow("plain") << u"615"_s << 615.0;
    QTest::newRow("spaces around") << u"  615  "_s << 615.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("spaces only") << u"   "_s << 0.0;
    QTest::newRow("no number") << u"abc"_s << 0.0;
    QTest::newRow("text behind") << u"12abc"_s << 12.0;
    QTest::newRow("text before") << u"a12"_s << 0.0;
    QTest::newRow("fraction") << u"585.9"_s << 585.9;
    QTest::newRow("zero") << u"0"_s << 0.0;
}

void TestScreenLayout::leadingNumber()
{
    QFETCH(QString, line);
    QFETCH(double, number);

    QCOMPARE(ScreenSizeFile::leadingNumber(line), number);
}

void TestScreenLayout::writeThenRead_data()
{
    QTest::addColumn<double>("windowHeight");
    QTest::addColumn<double>("windowWidth");
    QTest::addColumn<double>("keyHeight");
    QTest::addColumn<double>("keyWidth");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("design size") << 8925.0 << 12000.0 << 615.0 << 1215.0
                                 << QByteArray("8925\r\n12000\r\n615\r\n1215\r\n");
    QTest::newRow("laid-out window") << 9000.0 << 12250.0 << 585.0 << 1000.0
                                     << QByteArray("9000\r\n12250\r\n585\r\n1000\r\n");
    QTest::newRow("large window") << 16200.0 << 28800.0 << 1213.0 << 2379.0
                                  << QByteArray("16200\r\n28800\r\n1213\r\n2379\r\n");
}

void TestScreenLayout::writeThenRead()
{
    QFETCH(double, windowHeight);
    QFETCH(double, windowWidth);
    QFETCH(double, keyHeight);
    QFETCH(double, keyWidth);
    QFETCH(QByteArray, bytes);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"screensize.dat"_s);
    QVERIFY(writeBytes(path, "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n"));

    ScreenSize size;
    size.windowHeight = windowHeight;
    size.windowWidth = windowWidth;
    size.keyHeight = keyHeight;
    size.keyWidth = keyWidth;
    QVERIFY(ScreenSizeFile::write(path, size));
    QCOMPARE(readBytes(path), bytes);

    const std::optional<ScreenSize> back = ScreenSizeFile::read(path);
    QVERIFY(back.has_value());
    QCOMPARE(back->windowHeight, windowHeight);
    QCOMPARE(back->windowWidth, windowWidth);
    QCOMPARE(back->keyHeight, keyHeight);
    QCOMPARE(back->keyWidth, keyWidth);
}

void TestScreenLayout::writeIntoMissingFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!ScreenSizeFile::write(dir.filePath(u"missing/screensize.dat"_s),
                                   ScreenSizeFile::designSize()));
}

void TestScreenLayout::layout_data()
{
    QTest::addColumn<double>("windowWidth");
    QTest::addColumn<double>("windowHeight");
    QTest::addColumn<double>("anchorTop");
    QTest::addColumn<double>("speakWidth");
    QTest::addColumn<double>("suggestionHeight");
    QTest::addColumn<double>("suggestionLeft");
    QTest::addColumn<double>("fullWidth");
    QTest::addColumn<double>("keyWidth");
    QTest::addColumn<double>("keyHeight");
    QTest::addColumn<double>("suggestionWidth");
    QTest::addColumn<QList<double>>("lefts");
    QTest::addColumn<double>("suggestionTop");
    QTest::addColumn<double>("typingWidth");

    QTest::newRow("12250 by 9000") << 12250.0 << 9000.0 << 2100.0 << 1215.0 << 615.0 << 0.0
                                   << 12000.0 << 1000.0 << (9000.0 - 2100 - 250) / 11.35 << 3000.0
                                   << QList<double> { 0, 3000, 6000, 9000 } << 1485.0 << 10785.0;
    QTest::newRow("first suggestion not at 0")
            << 12250.0 << 9000.0 << 2100.0 << 1215.0 << 615.0 << 120.0 << 12000.0 << 1000.0
            << (9000.0 - 2100 - 250) / 11.35 << 3000.0 << QList<double> { 120, 3000, 6000, 9000 }
            << 1485.0 << 10785.0;
    QTest::newRow("wide and high") << 24250.0 << 16000.0 << 2100.0 << 1500.0 << 615.0 << 0.0
                                   << 24000.0 << 2000.0 << (16000.0 - 2100 - 250) / 11.35 << 6000.0
                                   << QList<double> { 0, 6000, 12000, 18000 } << 1485.0 << 22500.0;
    QTest::newRow("other anchor top")
            << 12250.0 << 9000.0 << 3000.0 << 0.0 << 500.0 << 0.0 << 12000.0 << 1000.0
            << (9000.0 - 3000 - 250) / 11.35 << 3000.0 << QList<double> { 0, 3000, 6000, 9000 }
            << 2500.0 << 12000.0;
}

void TestScreenLayout::layout()
{
    QFETCH(double, windowWidth);
    QFETCH(double, windowHeight);
    QFETCH(double, anchorTop);
    QFETCH(double, speakWidth);
    QFETCH(double, suggestionHeight);
    QFETCH(double, suggestionLeft);
    QFETCH(double, fullWidth);
    QFETCH(double, keyWidth);
    QFETCH(double, keyHeight);
    QFETCH(double, suggestionWidth);
    QFETCH(QList<double>, lefts);
    QFETCH(double, suggestionTop);
    QFETCH(double, typingWidth);

    WindowLayout::Input in;
    in.windowWidth = windowWidth;
    in.windowHeight = windowHeight;
    in.anchorTop = anchorTop;
    in.speakWidth = speakWidth;
    in.suggestionHeight = suggestionHeight;
    in.suggestionLeft = suggestionLeft;
    const WindowLayout::Result r = WindowLayout::compute(in);

    QCOMPARE(r.fullWidth, fullWidth);
    QCOMPARE(r.keyWidth, keyWidth);
    QCOMPARE(r.keyHeight, keyHeight);
    QCOMPARE(r.suggestionWidth, suggestionWidth);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(r.suggestionLeft[i], lefts.at(i));
    QCOMPARE(r.suggestionTop, suggestionTop);
    // The typing area reaches down to the suggestion row.
    QCOMPARE(r.typingHeight, suggestionTop);
    QCOMPARE(r.typingWidth, typingWidth);
    QCOMPARE(r.speakLeft, typingWidth);
}

void TestScreenLayout::tinyWindow_data()
{
    QTest::addColumn<double>("windowWidth");
    QTest::addColumn<double>("windowHeight");
    QTest::addColumn<double>("speakWidth");
    QTest::addColumn<double>("suggestionHeight");

    QTest::newRow("zero") << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("smaller than the margin") << 100.0 << 100.0 << 1215.0 << 615.0;
    QTest::newRow("narrower than the speak button") << 1000.0 << 9000.0 << 1215.0 << 615.0;
    QTest::newRow("lower than the anchor") << 12250.0 << 2000.0 << 1215.0 << 615.0;
    QTest::newRow("suggestions higher than the anchor") << 12250.0 << 9000.0 << 1215.0 << 2500.0;
}

void TestScreenLayout::tinyWindow()
{
    QFETCH(double, windowWidth);
    QFETCH(double, windowHeight);
    QFETCH(double, speakWidth);
    QFETCH(double, suggestionHeight);

    WindowLayout::Input in;
    in.windowWidth = windowWidth;
    in.windowHeight = windowHeight;
    in.speakWidth = speakWidth;
    in.suggestionHeight = suggestionHeight;
    const WindowLayout::Result r = WindowLayout::compute(in);

    QVERIFY(r.fullWidth >= 0);
    QVERIFY(r.keyWidth >= 0);
    QVERIFY(r.keyHeight >= 0);
    QVERIFY(r.suggestionWidth >= 0);
    QVERIFY(r.typingHeight >= 0);
    QVERIFY(r.typingWidth >= 0);
    QVERIFY(r.speakLeft >= 0);
    for (int i = 0; i < 4; ++i)
        QVERIFY(r.suggestionLeft[i] >= 0);
}

void TestScreenLayout::badSizesFit_data()
{
    // What the file holds, and the window it must give on a screen whose
    // available area is 15000 x 12000 twips: the saved size where usable,
    // shrunk to the screen where larger, the design size otherwise.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<double>("windowHeight");
    QTest::addColumn<double>("windowWidth");

    const QByteArray keys = "\r\n615\r\n1215\r\n";
    const QByteArray huge(400, '9');
    QTest::newRow("usable") << QByteArray("9000\r\n12250" + keys) << 9000.0 << 12250.0;
    QTest::newRow("larger than the screen")
            << QByteArray("16000\r\n30000" + keys) << 12000.0 << 15000.0;
    QTest::newRow("infinity") << QByteArray("inf\r\ninf" + keys) << 8925.0 << 12000.0;
    QTest::newRow("1e20") << QByteArray("99999999999999999999\r\n99999999999999999999" + keys)
                          << 12000.0 << 15000.0;
    QTest::newRow("400 digits") << QByteArray(huge + "\r\n" + huge + keys) << 8925.0 << 12000.0;
    QTest::newRow("one twip") << QByteArray("1\r\n1" + keys) << 8925.0 << 12000.0;
    QTest::newRow("a fraction") << QByteArray("0.2\r\n0.2" + keys) << 8925.0 << 12000.0;
    QTest::newRow("negative") << QByteArray("-9000\r\n-12250" + keys) << 8925.0 << 12000.0;
    QTest::newRow("just too small") << QByteArray("5759\r\n12250" + keys) << 8925.0 << 12000.0;
    QTest::newRow("empty") << QByteArray() << 8925.0 << 12000.0;
    QTest::newRow("first line a megabyte")
            << QByteArray(1 << 20, '7') + "\r\n9000" + keys << 8925.0 << 12000.0;
}

void TestScreenLayout::badSizesFit()
{
    QFETCH(QByteArray, bytes);
    QFETCH(double, windowHeight);
    QFETCH(double, windowWidth);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"screensize.dat"_s);
    QVERIFY(writeBytes(path, bytes));
    const ScreenSize size = ScreenSizeFile::fit(ScreenSizeFile::read(path), 15000, 12000);
    QCOMPARE(size.windowHeight, windowHeight);
    QCOMPARE(size.windowWidth, windowWidth);
    QVERIFY(size.keyWidth >= ScreenSizeFile::kMinKeyWidth && size.keyWidth <= windowWidth);
    QVERIFY(size.keyHeight >= ScreenSizeFile::kMinKeyHeight && size.keyHeight <= windowHeight);
    // What the window opens with can be stored, and reads back the same.
    QVERIFY(ScreenSizeFile::isStorable(size, 15000, 12000));
    QVERIFY(ScreenSizeFile::write(path, size));
    QCOMPARE(ScreenSizeFile::fit(ScreenSizeFile::read(path), 15000, 12000).windowWidth,
             windowWidth);
}

void TestScreenLayout::storable_data()
{
    QTest::addColumn<double>("windowHeight");
    QTest::addColumn<double>("windowWidth");
    QTest::addColumn<double>("keyHeight");
    QTest::addColumn<bool>("storable");

    QTest::newRow("design") << 8925.0 << 12000.0 << 615.0 << true;
    QTest::newRow("the whole desktop") << 12000.0 << 15000.0 << 615.0 << true;
    QTest::newRow("beyond the desktop") << 12000.0 << 15001.0 << 615.0 << false;
    QTest::newRow("too small") << 5759.0 << 12000.0 << 615.0 << false;
    QTest::newRow("the window a frame could not take") << 491505.0 << 491505.0 << 615.0 << false;
    QTest::newRow("no key") << 8925.0 << 12000.0 << 0.0 << false;
    QTest::newRow("infinite key") << 8925.0 << 12000.0 << qInf() << false;
    QTest::newRow("not a number") << qQNaN() << 12000.0 << 615.0 << false;
}

void TestScreenLayout::storable()
{
    QFETCH(double, windowHeight);
    QFETCH(double, windowWidth);
    QFETCH(double, keyHeight);
    QFETCH(bool, storable);

    const ScreenSize size { windowHeight, windowWidth, keyHeight, 1215 };
    QCOMPARE(ScreenSizeFile::isStorable(size, 15000, 12000), storable);
}

QTEST_GUILESS_MAIN(TestScreenLayout)

#include "tst_screenlayout.moc"
