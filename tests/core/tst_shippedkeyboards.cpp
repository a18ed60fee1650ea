// The keyboards shipped in data/Keyboards, read with the program's own reader:
// the format, the limits, the links between them, the answer keyboards of the
// prompts, the editor's letter keyboards and the words the game can draw.

#include "facetext.h"
#include "folderlookup.h"
#include "keyboardfile.h"
#include "textfile.h"
#include "textrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

using KeyboardFile::Record;

namespace {

QString folder()
{
    return QStringLiteral(PLUMTYPE_SOURCE_DATA "/Keyboards");
}

// The answer keyboards of the prompts and the editor's letter keyboards.  The
// program opens them itself and compares these names letter for letter.
const QStringList kPromptKeyboards = { QStringLiteral("YesNo.kbd"), QStringLiteral("Okay.kbd"),
                                       QStringLiteral("FileNaming.kbd") };
const QStringList kEditorKeyboards = { QStringLiteral("EditLettersLower.kbd"),
                                       QStringLiteral("EditLettersUpper.kbd") };

// The capital-letter keyboards are recognised by their names, case included
// (the shift back to small letters), so links to the letter keyboards must
// spell them exactly.
const QStringList kExactNames = { QStringLiteral("LettersLower.kbd"),
                                  QStringLiteral("LettersUpper.kbd"),
                                  QStringLiteral("EditLettersLower.kbd"),
                                  QStringLiteral("EditLettersUpper.kbd") };

// The standard keyboards, which the word game never draws from (lower case).
const QStringList kGameSkips = {
    QStringLiteral("home.kbd"),
    QStringLiteral("lettersupper.kbd"),
    QStringLiteral("letterslower.kbd"),
    QStringLiteral("editlettersupper.kbd"),
    QStringLiteral("editletterslower.kbd"),
    QStringLiteral("okay.kbd"),
    QStringLiteral("yesno.kbd"),
    QStringLiteral("filenaming.kbd"),
    QStringLiteral("numbers.kbd"),
    QStringLiteral("wordparts.kbd"),
};

// The everyday vocabulary, one keyboard per topic.
const QStringList kTopicKeyboards = {
    QStringLiteral("CoreWords.kbd"), QStringLiteral("Questions.kbd"),
    QStringLiteral("People.kbd"),    QStringLiteral("Feelings.kbd"),
    QStringLiteral("Actions.kbd"),   QStringLiteral("Describing.kbd"),
    QStringLiteral("Places.kbd"),    QStringLiteral("FoodDrink.kbd"),
    QStringLiteral("TimeDays.kbd"),  QStringLiteral("Phrases.kbd"),
};

const QStringList kCommands = {
    QStringLiteral("[space]"),  QStringLiteral("[copy]"),    QStringLiteral("[lock]"),
    QStringLiteral("[unlock]"), QStringLiteral("[clear]"),   QStringLiteral("[return]"),
    QStringLiteral("[back]"),   QStringLiteral("[website]"), QStringLiteral("[save]"),
    QStringLiteral("[load]"),   QStringLiteral("[game]"),    QStringLiteral("[edit]"),
    QStringLiteral("[delete]"), QStringLiteral("[dwell]"),   QStringLiteral("[access]"),
    QStringLiteral("[send]"),   QStringLiteral("[learn]"),   QStringLiteral("[scan]"),
};

// Characters a typed file name loses to a space.
const QString kNameBreakers = QStringLiteral("/\\*.,:@&%$\";`'?><=^|#");

const QString kLetter = QStringLiteral("letter");
const QString kExtend = QStringLiteral("extend");
const QString kLink = QStringLiteral("keyboard");

struct Keyboard
{
    QString name;
    QByteArray bytes;
    QStringList lines;
    QList<Record> records;
    QList<Record> keys; // records without the row breaks
};

Keyboard load(const QString &name)
{
    Keyboard kb;
    kb.name = name;
    QFile file(folder() + u'/' + name);
    if (file.open(QIODevice::ReadOnly))
        kb.bytes = file.readAll();
    kb.lines = TextFile::readLines(folder() + u'/' + name).value_or(QStringList());
    kb.records = KeyboardFile::parse(kb.lines);
    for (const Record &r : kb.records) {
        if (!r.rowBreak)
            kb.keys.append(r);
    }
    return kb;
}

QStringList shippedNames()
{
    return QDir(folder()).entryList({ QStringLiteral("*.kbd") }, QDir::Files, QDir::Name);
}

bool isPrompt(const QString &name)
{
    return kPromptKeyboards.contains(name);
}

bool isEditor(const QString &name)
{
    return kEditorKeyboards.contains(name);
}

// Keyboards the user moves between: everything the program does not open itself.
bool isOrdinary(const QString &name)
{
    return !isPrompt(name) && !isEditor(name);
}

bool isWord(const Record &r)
{
    return r.kind.startsWith(u"word");
}

bool isCommand(const Record &r)
{
    return r.kind == kLetter && kCommands.contains(r.output);
}

bool has(const Keyboard &kb, const QString &kind, const QString &output)
{
    for (const Record &r : kb.keys) {
        if (r.kind == kind && r.output == output)
            return true;
    }
    return false;
}

bool hasWordKey(const Keyboard &kb, const QString &output)
{
    for (const Record &r : kb.keys) {
        if (isWord(r) && r.output == output)
            return true;
    }
    return false;
}

// The shipped file a link opens, as found on disk; empty when there is none.
QString linkTarget(const Record &link)
{
    const QString name = KeyboardFile::linkFileName(link.output);
    if (name.isEmpty())
        return QString();
    const QFileInfo found(FolderLookup::resolve(folder(), name));
    return found.isFile() ? found.fileName() : QString();
}

QList<Record> linkKeys(const Keyboard &kb)
{
    QList<Record> result;
    for (const Record &r : kb.keys) {
        if (r.kind == kLink)
            result.append(r);
    }
    return result;
}

// What a click on a typing key puts into the typing area; word keys add a space.
QString typedText(const Record &r)
{
    return isWord(r) ? r.output + u' ' : r.output;
}

// The keys of an answer keyboard must type something while the question waits:
// no links (they would leave the answer keyboard), no commands.
bool typesAnswer(const Record &r)
{
    return (isWord(r) || r.kind == kLetter) && !r.output.startsWith(u'[')
           && !TextRules::trimSpaces(typedText(r)).isEmpty();
}

// The words the game can draw from the lines of a keyboard file.
QStringList gamePool(const QStringList &lines)
{
    QStringList pool;
    for (const QString &line : lines) {
        const qsizetype bar = line.indexOf(u'|');
        const QString t = TextRules::trimSpaces(bar < 0 ? line : line.mid(bar + 1));
        if (t.contains(u' ') || line.contains(QLatin1String("999|")) || t.contains(u'|')
            || t.contains(u'[') || t.size() < 5)
            continue;
        if (pool.size() < KeyboardFile::kMaxKeys)
            pool.append(t);
    }
    return pool;
}

void addShippedRows()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : shippedNames())
        QTest::newRow(qPrintable(name)) << name;
}

void addTopicRows()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : kTopicKeyboards)
        QTest::newRow(qPrintable(name)) << name;
}

} // namespace

class tst_ShippedKeyboards : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void standardFilesPresent_data();
    void standardFilesPresent();
    void noNamesDifferOnlyInCase();
    void fileFormat_data() { addShippedRows(); }
    void fileFormat();
    void keyCount_data() { addShippedRows(); }
    void keyCount();
    void rows_data() { addShippedRows(); }
    void rows();
    void faceLabels_data() { addShippedRows(); }
    void faceLabels();
    void kindsFitTheirKeys_data() { addShippedRows(); }
    void kindsFitTheirKeys();
    void links_data() { addShippedRows(); }
    void links();
    void reachableFromHome();
    void homeKeys();
    void everyKeyboardLeadsHome_data();
    void everyKeyboardLeadsHome();
    void topicCommands_data() { addTopicRows(); }
    void topicCommands();
    void pauseKeys_data();
    void pauseKeys();
    void letterKeyboards_data();
    void letterKeyboards();
    void editLetterKeyboards_data();
    void editLetterKeyboards();
    void numbersKeyboard();
    void wordPartsKeyboard_data();
    void wordPartsKeyboard();
    void yesNoKeyboard();
    void okayKeyboard();
    void fileNamingKeyboard();
    void gamePoolRule_data();
    void gamePoolRule();
    void gameFindsWords();
    void topicGameWords_data() { addTopicRows(); }
    void topicGameWords();
};

void tst_ShippedKeyboards::initTestCase()
{
    QVERIFY2(QFileInfo(folder()).isDir(), qPrintable(folder()));
    QVERIFY(!shippedNames().isEmpty());
}

void tst_ShippedKeyboards::standardFilesPresent_data()
{
    QTest::addColumn<QString>("name");
    const QStringList standard = {
        QStringLiteral("home.kbd"),
        QStringLiteral("LettersLower.kbd"),
        QStringLiteral("LettersUpper.kbd"),
        QStringLiteral("EditLettersLower.kbd"),
        QStringLiteral("EditLettersUpper.kbd"),
        QStringLiteral("numbers.kbd"),
        QStringLiteral("wordparts.kbd"),
        QStringLiteral("YesNo.kbd"),
        QStringLiteral("Okay.kbd"),
        QStringLiteral("FileNaming.kbd"),
    };
    for (const QString &name : standard + kTopicKeyboards)
        QTest::newRow(qPrintable(name)) << name;
}

void tst_ShippedKeyboards::standardFilesPresent()
{
    QFETCH(QString, name);
    // Spelled exactly: the program compares several of these names case by case.
    QVERIFY(shippedNames().contains(name));
}

void tst_ShippedKeyboards::noNamesDifferOnlyInCase()
{
    // Lookups ignore case, so two such files would be one keyboard to the user.
    QSet<QString> seen;
    for (const QString &name : shippedNames()) {
        QVERIFY2(!seen.contains(name.toLower()), qPrintable(name));
        seen.insert(name.toLower());
    }
}

void tst_ShippedKeyboards::fileFormat()
{
    QFETCH(QString, name);
    const Keyboard kb = load(name);
    QVERIFY(!kb.bytes.isEmpty());
    QVERIFY2(kb.bytes.endsWith("\r\n"), "the last line needs its CR LF");
    for (qsizetype i = 0; i < kb.bytes.size(); ++i) {
        const char c = kb.bytes.at(i);
        if (c == '\r') {
            QVERIFY2(i + 1 < kb.bytes.size() && kb.bytes.at(i + 1) == '\n',
                     qPrintable(QStringLiteral("lone CR at byte %1").arg(i)));
        } else if (c == '\n') {
            QVERIFY2(i > 0 && kb.bytes.at(i - 1) == '\r',
                     qPrintable(QStringLiteral("bare LF at byte %1").arg(i)));
        } else {
            // Plain ASCII reads the same in every code page.
            QVERIFY2(c >= 0x20 && c < 0x7f,
                     qPrintable(QStringLiteral("byte %1 is not printable ASCII").arg(i)));
        }
    }

    QVERIFY(!kb.lines.isEmpty());
    for (int n = 0; n < kb.lines.size(); ++n) {
        const QString &line = kb.lines.at(n);
        const QString where = QStringLiteral("line %1: '%2'").arg(n + 1).arg(line);
        QVERIFY2(line.size() >= 4, qPrintable(where));
        QVERIFY2(KeyKinds::byCode(line.left(3)), qPrintable(where));
        QVERIFY2(line.at(3) == u'|', qPrintable(where));
        QVERIFY2(TextRules::trimSpaces(line.mid(4)) == line.mid(4), qPrintable(where));
    }

    QCOMPARE(kb.records.size(), kb.lines.size());
    for (const Record &r : kb.records)
        QVERIFY(!r.kind.isEmpty());
}

void tst_ShippedKeyboards::keyCount()
{
    QFETCH(QString, name);
    const Keyboard kb = load(name);
    QVERIFY(!kb.keys.isEmpty());
    QVERIFY2(kb.keys.size() <= KeyboardFile::kMaxKeys, qPrintable(QString::number(kb.keys.size())));

    const KeyboardFile::Layout layout = KeyboardFile::place(kb.records, name);
    if (isOrdinary(name)) {
        // Room for the edit key the loader adds.
        QVERIFY2(kb.keys.size() < KeyboardFile::kMaxKeys,
                 qPrintable(QString::number(kb.keys.size())));
        QCOMPARE(layout.keys.size(), kb.keys.size() + 1);
        QCOMPARE(layout.keys.last().record.output, QStringLiteral("[edit]"));
    } else {
        QVERIFY(KeyboardFile::getsNoEditKey(name));
        QCOMPARE(layout.keys.size(), kb.keys.size());
    }
}

void tst_ShippedKeyboards::rows()
{
    QFETCH(QString, name);
    const Keyboard kb = load(name);

    // Row breaks group the keys; a group longer than a row would leave its last
    // keys wrapped onto a row of their own.
    int inRow = 0;
    for (const Record &r : kb.records) {
        if (r.rowBreak) {
            QVERIFY2(inRow > 0, "empty row");
            inRow = 0;
        } else {
            ++inRow;
            QVERIFY2(inRow <= KeyboardFile::kRowLength,
                     qPrintable(QStringLiteral("row too long at '%1'").arg(r.keyText)));
        }
    }
    QVERIFY2(inRow > 0, "row break at the end");

    // Placed as the loader places them: every row from the first on holds keys.
    const KeyboardFile::Layout layout = KeyboardFile::place(kb.records, name);
    QSet<int> used;
    for (const KeyboardFile::PlacedKey &k : layout.keys) {
        QVERIFY(k.column >= 1 && k.column <= KeyboardFile::kRowLength);
        used.insert(k.row);
    }
    for (int row = 1; row <= layout.keys.last().row; ++row)
        QVERIFY2(used.contains(row), qPrintable(QStringLiteral("row %1 is empty").arg(row)));
}

void tst_ShippedKeyboards::faceLabels()
{
    QFETCH(QString, name);
    const Keyboard kb = load(name);
    for (const Record &r : kb.keys) {
        QVERIFY2(!r.label.isEmpty(), qPrintable(r.keyText));
        if (!FaceText::pictureFile(r.kind, r.label).isEmpty())
            continue;
        // A face holds three short lines at the smallest key size.
        QString face = r.label;
        face.replace(u' ', QLatin1String("\r\n"));
        const QStringList faceLines =
                FaceText::joinForDisplay(face).trimmed().split(QLatin1String("\r\n"));
        QVERIFY2(faceLines.size() <= 3, qPrintable(r.label));
        for (const QString &line : faceLines)
            QVERIFY2(line.trimmed().size() <= 10, qPrintable(r.label));
    }
}

void tst_ShippedKeyboards::kindsFitTheirKeys()
{
    QFETCH(QString, name);
    const Keyboard kb = load(name);
    for (const Record &r : kb.keys) {
        const QString what = QStringLiteral("%1 key '%2'").arg(r.kind, r.keyText);
        if (r.kind == kLetter) {
            // Bracketed texts are commands only when spelled exactly.
            if (r.output.startsWith(u'[') && r.output.size() > 1)
                QVERIFY2(kCommands.contains(r.output), qPrintable(what));
            // Text keys type no space after themselves: whole words go on word keys.
            QVERIFY2(!r.output.contains(u' '), qPrintable(what));
            // A key without text types a space only while a key text is typed.
            QVERIFY2(!r.output.isEmpty() || isEditor(name), qPrintable(what));
        } else if (isWord(r)) {
            QVERIFY2(!r.output.isEmpty(), qPrintable(what));
            QVERIFY2(!r.output.startsWith(u'['), qPrintable(what));
        } else if (r.kind == kExtend) {
            QVERIFY2(!r.output.isEmpty(), qPrintable(what));
            QVERIFY2(!r.output.contains(u' '), qPrintable(what));
            QVERIFY2(r.output.size() <= 4, qPrintable(what));
        } else {
            QCOMPARE(r.kind, kLink);
            QVERIFY2(!KeyboardFile::linkFileName(r.output).isEmpty(), qPrintable(what));
        }
    }
}

void tst_ShippedKeyboards::links()
{
    QFETCH(QString, name);
    const Keyboard kb = load(name);
    for (const Record &link : linkKeys(kb)) {
        const QString target = linkTarget(link);
        QVERIFY2(!target.isEmpty(),
                 qPrintable(QStringLiteral("'%1' opens nothing").arg(link.output)));
        if (kExactNames.contains(target, Qt::CaseInsensitive))
            QCOMPARE(KeyboardFile::linkFileName(link.output), target);
        if (isPrompt(name)) {
            QFAIL(qPrintable(QStringLiteral("an answer keyboard links to %1").arg(target)));
        } else if (isEditor(name)) {
            // Key-text entry stays on the two editor keyboards.
            QVERIFY2(isEditor(target) && target != name, qPrintable(target));
        } else {
            // The program opens these itself; from a link they would strand the user.
            QVERIFY2(isOrdinary(target), qPrintable(target));
        }
    }
}

void tst_ShippedKeyboards::reachableFromHome()
{
    QStringList queue = { QStringLiteral("home.kbd") };
    QSet<QString> seen(queue.cbegin(), queue.cend());
    while (!queue.isEmpty()) {
        const Keyboard kb = load(queue.takeFirst());
        for (const Record &link : linkKeys(kb)) {
            const QString target = linkTarget(link);
            if (!target.isEmpty() && !seen.contains(target)) {
                seen.insert(target);
                queue.append(target);
            }
        }
    }
    for (const QString &name : shippedNames()) {
        if (isOrdinary(name))
            QVERIFY2(seen.contains(name), qPrintable(name));
    }

    // Home opens every keyboard of the set in one click.
    QSet<QString> direct;
    for (const Record &link : linkKeys(load(QStringLiteral("home.kbd"))))
        direct.insert(linkTarget(link));
    const QStringList wanted =
            QStringList { QStringLiteral("LettersLower.kbd"), QStringLiteral("LettersUpper.kbd"),
                          QStringLiteral("numbers.kbd"), QStringLiteral("wordparts.kbd") }
            + kTopicKeyboards;
    for (const QString &name : wanted)
        QVERIFY2(direct.contains(name), qPrintable(name));
}

void tst_ShippedKeyboards::homeKeys()
{
    const Keyboard home = load(QStringLiteral("home.kbd"));
    const QStringList commands = {
        QStringLiteral("[back]"), QStringLiteral("[delete]"), QStringLiteral("[clear]"),
        QStringLiteral("[copy]"), QStringLiteral("[return]"), QStringLiteral("[save]"),
        QStringLiteral("[load]"), QStringLiteral("[game]"),   QStringLiteral("[website]"),
        QStringLiteral("[send]"), QStringLiteral("[learn]"),
    };
    for (const QString &command : commands)
        QVERIFY2(has(home, kLetter, command), qPrintable(command));
    for (const char *word : { "I", "you", "want", "go", "not", "more" })
        QVERIFY2(hasWordKey(home, QLatin1String(word)), word);
}

void tst_ShippedKeyboards::everyKeyboardLeadsHome_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : shippedNames()) {
        if (isOrdinary(name) && name != u"home.kbd")
            QTest::newRow(qPrintable(name)) << name;
    }
}

void tst_ShippedKeyboards::everyKeyboardLeadsHome()
{
    QFETCH(QString, name);
    const Keyboard kb = load(name);
    QVERIFY(has(kb, kLink, QStringLiteral("Home")));
    QVERIFY(has(kb, kLetter, QStringLiteral("[back]")));
}

void tst_ShippedKeyboards::topicCommands()
{
    QFETCH(QString, name);
    const Keyboard kb = load(name);
    for (const char *command : { "[back]", "[delete]", "[return]", "[clear]", "[copy]" })
        QVERIFY2(has(kb, kLetter, QLatin1String(command)), command);
    // Topic keyboards are built from whole words.
    int words = 0;
    for (const Record &r : kb.keys)
        words += isWord(r) ? 1 : 0;
    QVERIFY2(words >= 12, qPrintable(QString::number(words)));
}

void tst_ShippedKeyboards::pauseKeys_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("row"); // where the two keys are, from 1
    // Beside the dwell key where there was one; otherwise in the first free
    // places, or on a row of their own with the edit key.
    const QList<std::pair<const char *, int>> rows = {
        { "Actions.kbd", 5 },      { "CoreWords.kbd", 2 }, { "Describing.kbd", 5 },
        { "Feelings.kbd", 5 },     { "FoodDrink.kbd", 6 }, { "LettersLower.kbd", 1 },
        { "LettersUpper.kbd", 1 }, { "People.kbd", 5 },    { "Phrases.kbd", 3 },
        { "Places.kbd", 6 },       { "Questions.kbd", 5 }, { "TimeDays.kbd", 5 },
        { "home.kbd", 0 },         { "numbers.kbd", 1 },   { "wordparts.kbd", 1 },
    };
    QStringList ordinary;
    for (const QString &name : shippedNames()) {
        if (isOrdinary(name))
            ordinary.append(name);
    }
    QCOMPARE(ordinary.size(), rows.size());
    for (const auto &[name, row] : rows)
        QTest::newRow(name) << QString::fromLatin1(name) << row;
}

void tst_ShippedKeyboards::pauseKeys()
{
    // Every keyboard the user moves between has a key that pauses dwell
    // and one that pauses scanning; the answer and editor keyboards have
    // room for nothing but their answers and letters.
    QFETCH(QString, name);
    QFETCH(int, row);
    const KeyboardFile::Layout layout = KeyboardFile::place(load(name).records, name);
    int dwellRow = -1;
    int scanRow = -1;
    for (const KeyboardFile::PlacedKey &k : layout.keys) {
        if (k.record.kind != kLetter)
            continue;
        if (k.record.output == u"[dwell]") {
            QCOMPARE(dwellRow, -1);
            dwellRow = k.row;
        } else if (k.record.output == u"[scan]") {
            QCOMPARE(scanRow, -1);
            scanRow = k.row;
            QVERIFY(dwellRow > 0);
        }
    }
    if (row == 0) {
        // The home keyboard's first row is full: the scan key ends the
        // second one.
        QCOMPARE(dwellRow, 1);
        QCOMPARE(scanRow, 2);
    } else {
        QCOMPARE(dwellRow, row);
        QCOMPARE(scanRow, row);
    }
    // The edit key the loader adds shares the last row with other keys
    // (home's rows were full before).
    const int last = layout.keys.last().row;
    if (row != 0)
        QCOMPARE(layout.keys.at(layout.keys.size() - 2).row, last);
}

void tst_ShippedKeyboards::letterKeyboards_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("capitals");
    QTest::newRow("small") << QStringLiteral("LettersLower.kbd")
                           << QStringLiteral("LettersUpper.kbd") << false;
    QTest::newRow("capital") << QStringLiteral("LettersUpper.kbd")
                             << QStringLiteral("LettersLower.kbd") << true;
}

void tst_ShippedKeyboards::letterKeyboards()
{
    QFETCH(QString, name);
    QFETCH(QString, other);
    QFETCH(bool, capitals);
    const Keyboard kb = load(name);
    for (char c = 'a'; c <= 'z'; ++c) {
        const QString letter = capitals ? QString(QChar(c).toUpper()) : QString(QChar(c));
        QVERIFY2(has(kb, kLetter, letter), qPrintable(letter));
    }
    for (const char *command : { "[space]", "[back]", "[return]" })
        QVERIFY2(has(kb, kLetter, QLatin1String(command)), command);
    // Punctuation glues itself to the word just typed.
    for (const char *mark : { ".", ",", "?", "!", "'" })
        QVERIFY2(has(kb, kExtend, QLatin1String(mark)), mark);
    QVERIFY(has(kb, kLink, QStringLiteral("Home")));
    QVERIFY(has(kb, kLink, other.chopped(4)));
    // Caps lock keeps the capitals for more than one letter.
    QCOMPARE(has(kb, kLetter, QStringLiteral("[lock]")), capitals);
}

void tst_ShippedKeyboards::editLetterKeyboards_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("capitals");
    QTest::newRow("small") << QStringLiteral("EditLettersLower.kbd")
                           << QStringLiteral("EditLettersUpper.kbd") << false;
    QTest::newRow("capital") << QStringLiteral("EditLettersUpper.kbd")
                             << QStringLiteral("EditLettersLower.kbd") << true;
}

void tst_ShippedKeyboards::editLetterKeyboards()
{
    QFETCH(QString, name);
    QFETCH(QString, other);
    QFETCH(bool, capitals);
    const Keyboard kb = load(name);

    // While a key text is typed only text keys type; word and suffix keys do
    // nothing, and other commands would be typed as their own text.
    bool space = false;
    bool bar = false;
    for (const Record &r : kb.keys) {
        QVERIFY2(r.kind == kLetter || r.kind == kLink, qPrintable(r.keyText));
        if (r.kind == kLetter && r.output.startsWith(u'[') && r.output.size() > 1) {
            QVERIFY2(r.output == u"[back]" || r.output == u"[lock]", qPrintable(r.output));
        }
        space = space || (r.kind == kLetter && r.output.isEmpty());
        bar = bar || (r.kind == kLetter && r.output == u"|");
    }
    QVERIFY2(space, "a key without text types the space");
    QVERIFY2(bar, "the bar splits a label from the typed text");
    for (char c = 'a'; c <= 'z'; ++c) {
        const QString letter = capitals ? QString(QChar(c).toUpper()) : QString(QChar(c));
        QVERIFY2(has(kb, kLetter, letter), qPrintable(letter));
    }
    for (char c = '0'; c <= '9'; ++c)
        QVERIFY(has(kb, kLetter, QString(QChar(c))));
    QVERIFY(has(kb, kLetter, QStringLiteral("[back]")));
    QVERIFY(has(kb, kLetter, QStringLiteral("[")));
    QVERIFY(has(kb, kLetter, QStringLiteral("]")));
    QVERIFY(has(kb, kLink, other.chopped(4)));
    QCOMPARE(has(kb, kLetter, QStringLiteral("[lock]")), capitals);
}

void tst_ShippedKeyboards::numbersKeyboard()
{
    const Keyboard kb = load(QStringLiteral("numbers.kbd"));
    for (char c = '0'; c <= '9'; ++c)
        QVERIFY(has(kb, kLetter, QString(QChar(c))));
    QVERIFY(has(kb, kLetter, QStringLiteral("[space]")));
}

void tst_ShippedKeyboards::wordPartsKeyboard_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    for (const char *ending : { "s", "es", "ed", "ing", "er", "est", "ly", "'s", "n't" })
        QTest::newRow(ending) << kExtend << QString::fromLatin1(ending);
    for (const char *prefix : { "un", "re", "pre" })
        QTest::newRow(prefix) << kLetter << QString::fromLatin1(prefix);
}

void tst_ShippedKeyboards::wordPartsKeyboard()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QVERIFY(has(load(QStringLiteral("wordparts.kbd")), kind, text));
}

void tst_ShippedKeyboards::yesNoKeyboard()
{
    const Keyboard kb = load(QStringLiteral("YesNo.kbd"));
    int yes = 0;
    int no = 0;
    for (const Record &r : kb.keys) {
        QVERIFY2(typesAnswer(r), qPrintable(r.keyText));
        // The answer is read trimmed and in lower case.
        if (TextRules::trimSpaces(typedText(r)).toLower() == u"yes")
            ++yes;
        else
            ++no;
    }
    QCOMPARE(yes, 1);
    QCOMPARE(no, 1);
}

void tst_ShippedKeyboards::okayKeyboard()
{
    const Keyboard kb = load(QStringLiteral("Okay.kbd"));
    bool okay = false;
    for (const Record &r : kb.keys) {
        QVERIFY2(typesAnswer(r), qPrintable(r.keyText));
        okay = okay || TextRules::trimSpaces(typedText(r)) == u"Okay";
    }
    QVERIFY(okay);
}

void tst_ShippedKeyboards::fileNamingKeyboard()
{
    const Keyboard kb = load(QStringLiteral("FileNaming.kbd"));
    QVERIFY(linkKeys(kb).isEmpty());
    for (const Record &r : kb.keys) {
        if (isCommand(r)) {
            // Nothing that erases the prompt or starts something else meanwhile.
            const QStringList allowed = { QStringLiteral("[back]"), QStringLiteral("[delete]"),
                                          QStringLiteral("[space]"), QStringLiteral("[return]") };
            QVERIFY2(allowed.contains(r.output), qPrintable(r.output));
        } else {
            QCOMPARE(r.kind, kLetter);
            for (QChar c : r.output)
                QVERIFY2(!kNameBreakers.contains(c), qPrintable(r.output));
        }
    }
    for (char c = 'a'; c <= 'z'; ++c)
        QVERIFY(has(kb, kLetter, QString(QChar(c))));
    for (char c = '0'; c <= '9'; ++c)
        QVERIFY(has(kb, kLetter, QString(QChar(c))));
    QVERIFY(has(kb, kLetter, QStringLiteral("[space]")));
    QVERIFY(has(kb, kLetter, QStringLiteral("[back]")));
    // The line break that finishes the name.
    QVERIFY(has(kb, kLetter, QStringLiteral("[return]")));
}

void tst_ShippedKeyboards::gamePoolRule_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("word");
    QTest::newRow("word") << QStringLiteral("001|hello") << QStringLiteral("hello");
    QTest::newRow("trimmed") << QStringLiteral("002|  water  ") << QStringLiteral("water");
    QTest::newRow("short") << QStringLiteral("001|tree") << QString();
    QTest::newRow("space") << QStringLiteral("002|thank you") << QString();
    QTest::newRow("link") << QStringLiteral("999|Places") << QString();
    QTest::newRow("label") << QStringLiteral("002|Hello|Hello there") << QString();
    QTest::newRow("command") << QStringLiteral("000|[clear]") << QString();
}

void tst_ShippedKeyboards::gamePoolRule()
{
    QFETCH(QString, line);
    QFETCH(QString, word);
    const QStringList pool = gamePool({ line });
    QCOMPARE(pool, word.isEmpty() ? QStringList() : QStringList { word });
}

void tst_ShippedKeyboards::gameFindsWords()
{
    // The game draws entry 1 to c - 2 of a keyboard's pool, so a keyboard with
    // fewer than three words never yields one.
    QStringList yielding;
    for (const QString &name : shippedNames()) {
        if (kGameSkips.contains(name.toLower()))
            continue;
        if (gamePool(load(name).lines).size() >= 3)
            yielding.append(name);
    }
    QVERIFY(!yielding.isEmpty());
    for (const QString &name : kTopicKeyboards)
        QVERIFY2(!kGameSkips.contains(name.toLower()), qPrintable(name));
}

void tst_ShippedKeyboards::topicGameWords()
{
    QFETCH(QString, name);
    const Keyboard kb = load(name);
    const QStringList pool = gamePool(kb.lines);
    QVERIFY2(pool.size() >= 3, qPrintable(pool.join(u',')));

    // Every word shown scrambled is a plain word the user can find on a word key.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z][A-Za-z'-]*$"));
    for (const QString &word : pool) {
        QVERIFY2(plain.match(word).hasMatch(), qPrintable(word));
        QVERIFY2(hasWordKey(kb, word), qPrintable(word));
    }
}

QTEST_GUILESS_MAIN(tst_ShippedKeyboards)

#include "tst_shippedkeyboards.moc"
