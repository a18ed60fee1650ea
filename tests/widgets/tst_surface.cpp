// Where the window meets the rules behind it: which loads set the title, the
// font a long label inherits, where the text sits on a painted face, where the
// keys and the editing panel stand after a resize, and how the window's files
// are replaced; the pictures drawn aside at start.

#include "testfolder.h"

#include "pictograms.h"
#include "surface/dialog.h"
#include "surface/twips.h"
#include "textfile.h"

#include <QGroupBox>
#include <QImage>
#include <QToolButton>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Starts the window at an outer size given in pixels, through the size file.
std::unique_ptr<Form1> startAt(const TestFolder &folder, const QSize &px)
{
    TextFile::write(folder.file(QStringLiteral("screensize.dat")),
                    TextFile::joinLines({ QString::number(Twips::fromPx(px.height())),
                                          QString::number(Twips::fromPx(px.width())),
                                          QStringLiteral("0"), QStringLiteral("0") }));
    return folder.start();
}

// Resizes the window from another keyboard and waits until the resize has
// brought the home keyboard back.
bool resizeAndWait(Form1 *w, const QSize &px)
{
    w->loadmap(w->keyboardPath(QStringLiteral("LettersLower.kbd")));
    if (w->FileName != u"LettersLower.kbd")
        return false;
    w->resize(px);
    return QTest::qWaitFor([w] { return w->FileName == u"home.kbd" && !w->loadingmap; }, 5000);
}

QImage face(const FaceButton *b)
{
    return b->picture().toImage().convertToFormat(QImage::Format_RGB32);
}

// The box of the pixels that stand out from the face's background (its corner).
QRect inkBox(const QImage &image)
{
    const QColor back = image.pixelColor(0, 0);
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - back.red()) + qAbs(c.green() - back.green())
                        + qAbs(c.blue() - back.blue())
                > 150)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

// The two faces agree over the columns that the reference's text takes up.
bool sameLeftPart(const QImage &image, const QImage &reference)
{
    const int width = inkBox(reference).right() + 1;
    return width > 0 && image.size() == reference.size()
           && image.copy(0, 0, width, image.height())
                      == reference.copy(0, 0, width, reference.height());
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// While alive, files of this process cannot grow past a few bytes, and a write
// past that fails instead of ending the process.
class SmallFileLimit
{
public:
    SmallFileLimit()
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_old;
        small.rlim_cur = 4;
        m_ok = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~SmallFileLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_old {};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

} // namespace

class TestSurface : public QObject
{
    Q_OBJECT

private slots:
    void titleRule_data();
    void titleRule();
    void longLabelKeepsFontOfPreviousFace_data();
    void longLabelKeepsFontOfPreviousFace();
    void textSitsByStyle_data();
    void textSitsByStyle();
    void placesAfterResize_data();
    void placesAfterResize();
    void writesReplaceWholeFile_data();
    void writesReplaceWholeFile();
    void drawnAside_data();
    void drawnAside();
};

void TestSurface::titleRule_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("onDisk");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<bool>("titleKept");
    QTest::addColumn<bool>("editKey");

    const QString kbd = QStringLiteral("Keyboards");
    QTest::newRow("plain keyboard") << kbd << "Mine.kbd"
                                    << "Mine.kbd" << false << true;
    QTest::newRow("answer keyboard") << kbd << "YesNo.kbd"
                                     << "YesNo.kbd" << true << false;
    QTest::newRow("editor letters") << kbd << "EditLettersUpper.kbd"
                                    << "EditLettersUpper.kbd" << true << false;
    // The title test looks for the names inside the file name; the edit key
    // test compares whole names.
    QTest::newRow("name holding Okay.kbd") << kbd << "MyOkay.kbd"
                                           << "MyOkay.kbd" << true << true;
    QTest::newRow("working copy") << QString() << "tmpkb.kbd"
                                  << "tmpkb.kbd" << true << true;
    // Both tests heed letter case: the name asked for, not the one on disk.
    QTest::newRow("answer keyboard in other case") << kbd << "Okay.kbd"
                                                   << "okay.kbd" << false << true;
}

void TestSurface::titleRule()
{
    QFETCH(QString, folder);
    QFETCH(QString, onDisk);
    QFETCH(QString, asked);
    QFETCH(bool, titleKept);
    QFETCH(bool, editKey);

    TestFolder f;
    auto w = startAt(f, { 700, 600 });
    const QString dir = folder.isEmpty() ? f.path() : f.file(folder);
    TextFile::write(dir + u'/' + onDisk,
                    TextFile::joinLines({ QStringLiteral("001|one"), QStringLiteral("001|two") }));
    w->Text1->setText(QStringLiteral("three little words"));
    w->setWindowTitle(QStringLiteral("Plumtype - before"));

    w->loadmap(dir + u'/' + asked);

    QCOMPARE(w->FileName, asked);
    QCOMPARE(w->Command1(2)->ToolTipText, QStringLiteral("one"));
    QCOMPARE(w->windowTitle(),
             titleKept ? QStringLiteral("Plumtype - before")
                       : QStringLiteral("Plumtype - ") + asked + QStringLiteral(" - (3)"));
    QCOMPARE(w->lastbutton, editKey ? 4 : 3);
    QCOMPARE(w->Command1(4)->ToolTipText == u"[edit]", editKey);
    QCOMPARE(w->Command1(4)->isVisible(), editKey);
}

void TestSurface::longLabelKeepsFontOfPreviousFace_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("remembered");

    QTest::newRow("100 after a large face") << "H" << 100 << true;
    QTest::newRow("120 after a small face") << "HHHHHHHHHHHH" << 120 << true;
    QTest::newRow("99 gets its own size") << "H" << 99 << false;
}

void TestSurface::longLabelKeepsFontOfPreviousFace()
{
    QFETCH(QString, first);
    QFETCH(int, length);
    QFETCH(bool, remembered);

    // Keys above 600 twips high, so that no size is made smaller.
    TestFolder f;
    auto w = startAt(f, { 780, 780 });
    QVERIFY(Twips::height(w->Command1(1)) >= 600);
    // Word keys start their text at the left edge, so the faces line up.  The
    // last key has the size every label of 6 to 10 letters gets.
    f.keyboard(QStringLiteral("faces.kbd"),
               { QStringLiteral("001|") + first, QStringLiteral("001|") + QString(length, u'H'),
                 QStringLiteral("001|HHHHHHHH") });
    w->loadmap(w->keyboardPath(QStringLiteral("faces.kbd")));
    QCOMPARE(w->lastbutton, 5);

    const QImage previous = face(w->Command1(2));
    const QImage longFace = face(w->Command1(3));
    const QImage ownSize = face(w->Command1(4));
    QVERIFY(!sameLeftPart(ownSize, previous)); // the two sizes tell apart
    QCOMPARE(sameLeftPart(longFace, previous), remembered);
    QCOMPARE(sameLeftPart(longFace, ownSize), !remembered);
}

void TestSurface::textSitsByStyle_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("centred");

    QTest::newRow("letter key") << "000" << true;
    QTest::newRow("word1 key") << "001" << false;
    QTest::newRow("word2 key") << "002" << false;
    QTest::newRow("word3 key") << "003" << false;
    QTest::newRow("extend key") << "004" << false;
    QTest::newRow("keyboard key") << "999" << false;
    QTest::newRow("suggestion") << "suggestion" << true;
    QTest::newRow("editor button") << "editor" << true;
    QTest::newRow("picker button") << "picker" << true;
}

void TestSurface::textSitsByStyle()
{
    QFETCH(QString, button);
    QFETCH(bool, centred);

    TestFolder f;
    auto w = startAt(f, { 780, 780 });
    const FaceButton *b = nullptr;
    if (button == u"suggestion") {
        w->buttons(w->WordSelect(2), QStringLiteral("HH"), 0, 0x00FFFFC0);
        b = w->WordSelect(2);
        QCOMPARE(b->picture().size(), w->WordSelect(0)->size());
    } else if (button == u"editor") {
        b = w->Command2; // painted by the layout
    } else if (button == u"picker") {
        b = w->dialog->OKButton;
    } else {
        f.keyboard(QStringLiteral("faces.kbd"), { button + QStringLiteral("|HH") });
        w->loadmap(w->keyboardPath(QStringLiteral("faces.kbd")));
        b = w->Command1(2);
        QCOMPARE(b->picture().size(), w->Command1(1)->size());
    }
    const QImage image = face(b);
    const QRect ink = inkBox(image);
    QVERIFY2(!ink.isEmpty(), "no text on the face");
    const int left = ink.left();
    const int right = image.width() - 1 - ink.right();
    const int top = ink.top();
    const int bottom = image.height() - 1 - ink.bottom();
    const QByteArray where = QStringLiteral("ink margins left %1 right %2 top %3 bottom %4")
                                     .arg(left)
                                     .arg(right)
                                     .arg(top)
                                     .arg(bottom)
                                     .toLatin1();
    // A centred text stands a little left of the middle, since the space
    // added at its end is measured with it.
    if (centred)
        QVERIFY2(right - left >= -2 && right - left <= (left + right) / 2, where.constData());
    else
        QVERIFY2(left <= 3 && right > left + 6, where.constData());
    QVERIFY2(qAbs(top - bottom) <= std::max(3, (top + bottom) / 4), where.constData());
}

void TestSurface::placesAfterResize_data()
{
    QTest::addColumn<QSize>("size");

    QTest::newRow("780 x 780") << QSize(780, 780);
    QTest::newRow("700 x 520") << QSize(700, 520);
    QTest::newRow("620 x 760") << QSize(620, 760);
}

void TestSurface::placesAfterResize()
{
    QFETCH(QSize, size);

    TestFolder f;
    // A home keyboard with a short row, a full row that wraps by itself (the
    // row break after it adds no empty row) and a row of two plus the edit key.
    QStringList lines = { "002|a", "002|b", "002|c", "999|/" };
    for (int i = 1; i <= 12; ++i)
        lines << QStringLiteral("001|r%1").arg(i);
    lines << "999|/"
          << "004|x"
          << "004|y";
    f.keyboard(QStringLiteral("home.kbd"), lines);
    QList<QPoint> cells; // column, row of keys 2 to lastbutton
    for (int c = 1; c <= 3; ++c)
        cells << QPoint(c, 1);
    for (int c = 1; c <= 12; ++c)
        cells << QPoint(c, 2);
    cells << QPoint(1, 3) << QPoint(2, 3) << QPoint(3, 3);

    auto w = startAt(f, { 660, 600 });
    QVERIFY(resizeAndWait(w.get(), size));
    QCOMPARE(w->lastbutton, 1 + cells.size());

    const FaceButton *anchor = w->Command1(1);
    QCOMPARE(anchor->width(), Twips::toPx((w->windowWidth() - 250) / 12));
    QCOMPARE(anchor->pos(), QPoint(Twips::toPx(1), Twips::toPx(2100)));
    for (int i = 2; i <= w->lastbutton; ++i) {
        const FaceButton *key = w->Command1(i);
        const QPoint cell = cells.at(i - 2);
        const QPoint expected(anchor->x() + anchor->width() * (cell.x() - 1),
                              anchor->y() + anchor->height() * (cell.y() - 1));
        QVERIFY2((key->pos() - expected).manhattanLength() <= 1,
                 qPrintable(QStringLiteral("key %1 at %2,%3, not %4,%5")
                                    .arg(i)
                                    .arg(key->x())
                                    .arg(key->y())
                                    .arg(expected.x())
                                    .arg(expected.y())));
        QCOMPARE(key->size(), anchor->size());
        QVERIFY(key->isVisible());
    }

    // The editing panel and its label cover the typing area and the Speak
    // button, from the window's corner.
    const QRect typing(w->Text1->pos(),
                       QSize(w->Text1->width() + w->Speak->width(), w->Text1->height()));
    QCOMPARE(w->Text1->pos(), QPoint(Twips::toPx(1), Twips::toPx(1)));
    QVERIFY(qAbs(typing.width() - Twips::toPx(w->windowWidth() - 250)) <= 1);
    for (QWidget *panel :
         { static_cast<QWidget *>(w->Frame1), static_cast<QWidget *>(w->Label2) }) {
        QCOMPARE(panel->pos(), typing.topLeft());
        QVERIFY(qAbs(panel->width() - typing.width()) <= 1);
        QCOMPARE(panel->height(), typing.height());
    }
}

void TestSurface::writesReplaceWholeFile_data()
{
    QTest::addColumn<bool>("throughWindow");

    QTest::newRow("size file written on resize") << true;
    QTest::newRow("text file") << false;
}

void TestSurface::writesReplaceWholeFile()
{
    QFETCH(bool, throughWindow);

    TestFolder f;
    std::unique_ptr<Form1> w;
    QString path;
    if (throughWindow) {
        w = startAt(f, { 700, 600 });
        path = f.file(QStringLiteral("screensize.dat"));
    } else {
        path = f.file(QStringLiteral("note.txt"));
        QVERIFY(TextFile::write(path, QStringLiteral("first text\r\n")));
    }
    // Writes the file anew with content that differs from what it holds.
    int round = 0;
    auto rewrite = [&]() -> bool {
        ++round;
        if (throughWindow)
            return resizeAndWait(w.get(), QSize(700 - 40 * round, 600 - 30 * round));
        return TextFile::write(path, QStringLiteral("text number %1\r\n").arg(round));
    };

    // Another name for the old file still shows the old bytes after the write:
    // the file was replaced, not written over.
    const QByteArray old = contents(path);
    const QString other = f.file(QStringLiteral("other name"));
    QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
    QVERIFY(rewrite());
    const QByteArray written = contents(path);
    QVERIFY(written != old);
    QCOMPARE(contents(other), old);
    if (throughWindow)
        QCOMPARE(written.count("\r\n"), 4);

    // A write that fails half way leaves the old file whole, and nothing else.
    const QStringList before = QDir(f.path()).entryList(QDir::AllEntries | QDir::Hidden);
    {
        SmallFileLimit limit;
        QVERIFY(limit.ok());
        const bool done = rewrite();
        if (!throughWindow)
            QVERIFY(!done);
    }
    QCOMPARE(contents(path), written);
    QCOMPARE(QDir(f.path()).entryList(QDir::AllEntries | QDir::Hidden), before);

    // And the next write goes through.
    QVERIFY(rewrite());
    QVERIFY(contents(path) != written);
}

void TestSurface::drawnAside_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("asked");
    QTest::newRow("splash, asked") << u"splash"_s << QSize(256, 256) << true;
    QTest::newRow("icon, asked") << u"plumtype"_s << QSize(64, 64) << true;
    QTest::newRow("splash at a size not asked") << u"splash"_s << QSize(128, 128) << false;
    QTest::newRow("not asked") << u"speak"_s << QSize(37, 37) << false;
}

// What is drawn aside is the picture itself, whether it is asked for while
// the thread still draws or once it is done; pictures not asked for are drawn
// at once; and a window made meanwhile shows the splash picture drawn aside.
void TestSurface::drawnAside()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(bool, asked);
    const QImage expected = Pictograms::draw(name, size);
    QCOMPARE(expected.size(), size);
    for (const bool whileDrawing : { true, false }) {
        const Pictograms::DrawnAside aside(
                { { u"splash"_s, QSize(256, 256) }, { u"plumtype"_s, QSize(64, 64) } });
        if (!whileDrawing)
            QVERIFY(Pictograms::drawSoon(u"plumtype"_s, QSize(64, 64)).size() == QSize(64, 64));
        QCOMPARE(Pictograms::drawSoon(name, size), expected);
        // Asked twice, the same picture.
        QCOMPARE(Pictograms::drawSoon(name, size), expected);
        if (asked && whileDrawing) {
            TestFolder folder;
            auto w = folder.start();
            QCOMPARE(w->Image1->pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
                     Pictograms::draw(u"splash"_s, QSize(256, 256)));
        }
    }
    QCOMPARE(Pictograms::drawSoon(name, size), expected);
}

QTEST_MAIN(TestSurface)
#include "tst_surface.moc"
