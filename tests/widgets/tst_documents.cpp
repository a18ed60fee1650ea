// Keeping texts: saving under a name typed on the keyboard, the overwrite
// question, the error path, opening through the picker, and opening keyboard
// files through the file dialog.

#include "driving.h"
#include "testfolder.h"

#include "surface/dialog.h"

#include <QListWidget>
#include <QMenu>
#include <QMenuBar>

#include "../core/filebytes.h"

using namespace Qt::StringLiterals;

namespace {

const QString kPrompt = u"Enter save file name then press return: "_s;

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void saveAndOpen_data();
    void saveAndOpen();
    void overwriteAsksAgain();
    void failedSaveKeepsText_data();
    void failedSaveKeepsText();
    void pickerCancels_data();
    void pickerCancels();
    void unreadableTextKeepsTypingArea();
    void largeText_data();
    void largeText();
    void newTextIsPrivate();
    void keyboardFromFileDialog_data();
    void keyboardFromFileDialog();

private:
    // Saves the typing area, typing `name` on the naming keyboard and
    // acknowledging the message; returns the message shown.
    QString save(const QString &name);
    // Opens the saved text of this file name through the picker.
    void open(const QString &fileName);

    TestFolder m_folder;
    std::unique_ptr<Form1> m_w;
};

void TestDocuments::initTestCase()
{
    m_w = m_folder.start(0);
}

void TestDocuments::init()
{
    Form1 *w = m_w.get();
    w->Text1->setText(QString());
    w->SaveFileName.clear();
    QDir(m_folder.file(u"SavedText"_s)).removeRecursively();
    QDir(m_folder.path()).mkdir(u"SavedText"_s);
}

QString TestDocuments::save(const QString &name)
{
    Form1 *w = m_w.get();
    QString told;
    whenReady(
            w, [w] { return w->FileName == u"FileNaming.kbd"_s && !w->loadingmap; },
            [w, name, &told] {
                answerLater(w, u"Okay"_s, &told);
                w->Text1->setText(kPrompt + name + u"\r\n"_s);
            });
    w->FileSave_Click();
    return told;
}

void TestDocuments::open(const QString &fileName)
{
    Form1 *w = m_w.get();
    whenReady(
            w, [w] { return w->dialog->isVisible(); },
            [w, fileName] {
                const auto found = w->dialog->File1->findItems(fileName, Qt::MatchExactly);
                if (!found.isEmpty())
                    w->dialog->File1->setCurrentItem(found.first());
                w->dialog->OKButton->click();
            });
    w->FileOpen_Click();
}

void TestDocuments::saveAndOpen_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("typedName");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("two lines") << u"hello\r\nworld"_s << u"notes"_s << u"notes.txt"_s
                               << QByteArray("hello\r\nworld\r\n");
    QTest::newRow("a dot in the name") << u"x"_s << u"a.b"_s << u"a b.txt"_s << QByteArray("x\r\n");
    QTest::newRow("a slash in the name")
            << u"x"_s << u"my/letter"_s << u"my letter.txt"_s << QByteArray("x\r\n");
    QTest::newRow("windows-1252 letters")
            << u"caf\u00E9 \u20AC5 \u00FC"_s << u"cafe"_s << u"cafe.txt"_s
            << QByteArray("caf\xE9 \x80"
                          "5 \xFC\r\n");
    QTest::newRow("letters only utf-8 holds")
            << u"\u0142\u00F3d\u017A \u4E2D"_s << u"lodz"_s << u"lodz.txt"_s
            << QByteArray("\xC5\x82\xC3\xB3"
                          "d\xC5\xBA \xE4\xB8\xAD\r\n");
}

void TestDocuments::saveAndOpen()
{
    QFETCH(QString, text);
    QFETCH(QString, typedName);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);

    Form1 *w = m_w.get();
    w->Text1->setText(text);
    const QString told = save(typedName);
    QCOMPARE(told, u"File: '"_s + fileName.chopped(4) + u"' has been saved."_s);
    QCOMPARE(readBytes(m_folder.file(u"SavedText/"_s + fileName)), bytes);
    QCOMPARE(w->Text1->Text(), text);
    QVERIFY(w->FileOption->menuAction()->isEnabled());
    QCOMPARE(w->FileName, u"home.kbd"_s);

    w->Text1->setText(u"something else"_s);
    open(fileName);
    QCOMPARE(w->Text1->Text(), text + u"\r\n"_s);
    QCOMPARE(w->SaveFileName, fileName);
    QCOMPARE(w->tp, w->Text1->Text().size());
    QVERIFY(w->centralWidget()->isEnabled());

    // The next save offers the opened name without its ending.
    QString offered;
    whenReady(
            w, [w] { return w->FileName == u"FileNaming.kbd"_s && !w->loadingmap; },
            [w, &offered] {
                offered = w->Text1->Text();
                w->Text1->setText(u"Enter save\r\n"_s); // the prompt spoiled: cancelled
                answerLater(w, u"Okay"_s);
            });
    w->FileSave_Click();
    QCOMPARE(offered, kPrompt + fileName.chopped(4));
    QCOMPARE(w->Text1->Text(), text + u"\r\n"_s);
}

void TestDocuments::overwriteAsksAgain()
{
    Form1 *w = m_w.get();
    QVERIFY(writeBytes(m_folder.file(u"SavedText/notes.txt"_s), "old\r\n"));
    w->Text1->setText(u"new"_s);
    QStringList offered;
    // First "notes": no to overwriting; the name comes back as the default
    // and "other" is typed instead.
    whenReady(
            w, [w] { return w->FileName == u"FileNaming.kbd"_s && !w->loadingmap; },
            [w, &offered] {
                offered.append(w->Text1->Text());
                answerLater(w, u"no"_s);
                whenReady(
                        w,
                        [w] {
                            return w->FileName == u"FileNaming.kbd"_s && !w->loadingmap
                                   && !w->Text1->Text().contains(u"\r\n"_s);
                        },
                        [w, &offered] {
                            offered.append(w->Text1->Text());
                            answerLater(w, u"Okay"_s);
                            w->Text1->setText(kPrompt + u"other\r\n"_s);
                        });
                w->Text1->setText(kPrompt + u"notes\r\n"_s);
            });
    w->FileSave_Click();
    QCOMPARE(offered, QStringList({ kPrompt, kPrompt + u"notes"_s }));
    QCOMPARE(readBytes(m_folder.file(u"SavedText/notes.txt"_s)), QByteArray("old\r\n"));
    QCOMPARE(readBytes(m_folder.file(u"SavedText/other.txt"_s)), QByteArray("new\r\n"));
}

void TestDocuments::failedSaveKeepsText_data()
{
    QTest::addColumn<QString>("trouble");
    QTest::newRow("no SavedText folder") << u"missing"_s;
    QTest::newRow("a folder where the file goes") << u"folder"_s;
    // A link that leads out of the folder is not written through.
    QTest::newRow("a link out of the folder where the file goes") << u"link"_s;
}

void TestDocuments::failedSaveKeepsText()
{
    QFETCH(QString, trouble);
    Form1 *w = m_w.get();
    const QString outside = m_folder.file(u"outside.txt"_s);
    QVERIFY(writeBytes(outside, "mine\r\n"));
    if (trouble == u"missing")
        QDir(m_folder.file(u"SavedText"_s)).removeRecursively();
    else if (trouble == u"folder")
        QDir(m_folder.path()).mkpath(u"SavedText/notes.txt"_s);
    else
        QVERIFY(QFile::link(u"../outside.txt"_s, m_folder.file(u"SavedText/notes.txt"_s)));
    w->Text1->setText(u"precious"_s);
    // The overwrite question comes first where a file has the name (a folder
    // is none): it is answered once its keyboard is up, since the home
    // keyboard has a "yes" key too.
    if (trouble == u"link")
        whenReady(
                w, [w] { return w->FileName == u"YesNo.kbd"_s && !w->loadingmap; },
                [w] { click(w, u"yes"_s); });
    const QString told = save(u"notes"_s);
    QCOMPARE(told,
             u"There was an issue saving this file. Try saving agin with a different file name."_s);
    QCOMPARE(w->Text1->Text(), u"precious"_s);
    QVERIFY(w->FileOption->menuAction()->isEnabled());
    QCOMPARE(readBytes(outside), QByteArray("mine\r\n"));
}

void TestDocuments::pickerCancels_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("OK with nothing selected") << u"ok"_s;
    QTest::newRow("Cancel") << u"cancel"_s;
    QTest::newRow("close box") << u"close"_s;
}

void TestDocuments::pickerCancels()
{
    QFETCH(QString, how);
    Form1 *w = m_w.get();
    QVERIFY(writeBytes(m_folder.file(u"SavedText/b.txt"_s), "bee\r\n"));
    QVERIFY(writeBytes(m_folder.file(u"SavedText/A.txt"_s), "a\r\n"));
    w->Text1->setText(u"kept"_s);
    QStringList listed;
    whenReady(
            w, [w] { return w->dialog->isVisible(); },
            [w, how, &listed] {
                for (int i = 0; i < w->dialog->File1->count(); ++i)
                    listed.append(w->dialog->File1->item(i)->text());
                if (how == u"ok")
                    w->dialog->OKButton->click();
                else if (how == u"cancel")
                    w->dialog->CancelButton->click();
                else
                    w->dialog->close();
            });
    w->FileOpen_Click();
    QCOMPARE(listed, QStringList({ u"A.txt"_s, u"b.txt"_s }));
    QCOMPARE(w->Text1->Text(), u"kept"_s);
    QVERIFY(w->centralWidget()->isEnabled());
    QVERIFY(w->menuBar()->isEnabled());
}

void TestDocuments::unreadableTextKeepsTypingArea()
{
    // The text is listed, then gone before it is read (taken away by another
    // program, or on a disk that was unplugged).
    Form1 *w = m_w.get();
    QVERIFY(writeBytes(m_folder.file(u"SavedText/broken.txt"_s), "text\r\n"));
    w->Text1->setText(u"kept"_s);
    QString told;
    answerLater(w, u"Okay"_s, &told);
    whenReady(
            w, [w] { return w->dialog->isVisible(); },
            [this, w] {
                w->dialog->File1->setCurrentRow(0);
                QFile::remove(m_folder.file(u"SavedText/broken.txt"_s));
                w->dialog->OKButton->click();
            });
    w->FileOpen_Click();
    QCOMPARE(told, u"The file 'broken.txt' could not be opened."_s);
    QCOMPARE(w->Text1->Text(), u"kept"_s);
}

// Saved texts are opened up to 1 MB; a larger one is not read at all, and
// the typing area keeps what it had.
void TestDocuments::largeText_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<bool>("opens");
    QTest::newRow("1 MB") << qint64(1024 * 1024) << true;
    QTest::newRow("1 MB and a byte") << qint64(1024 * 1024 + 1) << false;
    QTest::newRow("50 MB") << qint64(50 * 1024 * 1024) << false;
}

void TestDocuments::largeText()
{
    QFETCH(qint64, bytes);
    QFETCH(bool, opens);
    Form1 *w = m_w.get();
    // Lines of 64 bytes with their CR LF; a byte more starts another line.
    const QByteArray line =
            QByteArray("the quick brown fox jumps over the lazy dog ").repeated(2).left(62)
            + "\r\n";
    QByteArray text = line.repeated(int(bytes / line.size()));
    text += QByteArray(bytes - text.size(), 'x');
    QVERIFY(writeBytes(m_folder.file(u"SavedText/big.txt"_s), text));
    w->Text1->setText(u"kept"_s);
    QString told;
    if (!opens)
        answerLater(w, u"Okay"_s, &told);
    open(u"big.txt"_s);
    if (opens) {
        QCOMPARE(w->Text1->Text().size(), bytes);
        QCOMPARE(w->SaveFileName, u"big.txt"_s);
    } else {
        QCOMPARE(told,
                 u"The file 'big.txt' is too large to open here: Plumtype opens saved texts of up "
                 "to 1 MB."_s);
        QCOMPARE(w->Text1->Text(), u"kept"_s);
    }
}

void TestDocuments::newTextIsPrivate()
{
    Form1 *w = m_w.get();
    w->Text1->setText(u"secret"_s);
    save(u"diary"_s);
    QCOMPARE(QFile::permissions(m_folder.file(u"SavedText/diary.txt"_s)) & 0x7077,
             QFile::ReadOwner | QFile::WriteOwner);
}

void TestDocuments::keyboardFromFileDialog_data()
{
    QTest::addColumn<bool>("chosen");
    QTest::newRow("a keyboard chosen") << true;
    QTest::newRow("cancelled") << false;
}

void TestDocuments::keyboardFromFileDialog()
{
    QFETCH(bool, chosen);
    Form1 *w = m_w.get();
    w->loadmap(w->keyboardPath(u"home.kbd"_s));
    const QString elsewhere = m_folder.file(u"elsewhere"_s);
    QDir().mkpath(elsewhere);
    TextFile::write(elsewhere + u"/Mine.kbd"_s, u"001|mine\r\n001|ours\r\n"_s);
    QStringList asked;
    w->fileDialogSeam = [&](const QString &title, const QString &folder, const QString &filter) {
        asked = QStringList { title, folder, filter };
        return chosen ? elsewhere + u"/Mine.kbd"_s : QString();
    };
    w->FileLoad_Click();
    w->fileDialogSeam = nullptr;
    QCOMPARE(asked, QStringList({ u"Open a Keyboard File"_s, m_folder.file(u"Keyboards"_s),
                                  u"Keyboard Files (*.kbd)"_s }));
    QCOMPARE(w->FileName, chosen ? u"Mine.kbd"_s : u"home.kbd"_s);
    QCOMPARE(keyIndex(w, u"ours"_s) != 0, chosen);
}

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
