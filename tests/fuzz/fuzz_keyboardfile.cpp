// Keyboard files: reading, placing on the grid, and writing back.

#include "fuzzcheck.h"

#include "folderlookup.h"
#include "keyboardfile.h"
#include "textfile.h"

#include <QVarLengthArray>

using KeyboardFile::Layout;
using KeyboardFile::Record;

namespace {

bool isEditKey(const Record &r)
{
    // No character becomes an ASCII one in lower case but the ASCII capitals
    // (a dotted capital I becomes two characters): only a text of six can be
    // "[edit]", and most keys need no lower-case copy.
    return !r.rowBreak && r.keyText.size() == 6 && r.keyText.toLower() == u"[edit]";
}

QString describe(const Record &r)
{
    return QStringLiteral("kind %1 text %2 label %3 output %4")
            .arg(r.kind, shown(r.keyText), shown(r.label), shown(r.output));
}

bool sameKey(const KeyboardFile::PlacedKey &a, const KeyboardFile::PlacedKey &b)
{
    return a.slot == b.slot && a.column == b.column && a.row == b.row
           && a.record.kind == b.record.kind && a.record.colour == b.record.colour
           && a.record.keyText == b.record.keyText && a.record.label == b.record.label
           && a.record.output == b.record.output && a.record.hasLabel == b.record.hasLabel;
}

// What every record must look like, whatever the line was.
void checkRecord(const Record &r)
{
    const KeyKind *kind = KeyKinds::byName(r.kind);
    FUZZ_CHECK(r.kind.isEmpty() || kind, describe(r));
    FUZZ_CHECK(r.colour == (kind ? kind->colour : 0), describe(r));
    FUZZ_CHECK(!r.keyText.startsWith(u' ') && !r.keyText.endsWith(u' '), describe(r));
    if (r.rowBreak) {
        FUZZ_CHECK(r.kind == u"keyboard" && r.keyText == u"/", describe(r));
        return;
    }
    FUZZ_CHECK(r.hasLabel == r.keyText.contains(u'|'), describe(r));
    if (!r.hasLabel)
        FUZZ_CHECK(r.label == r.keyText && r.output == r.keyText, describe(r));
    else
        FUZZ_CHECK(!r.label.contains(u'|') && r.keyText.endsWith(r.output), describe(r));
}

// The keys on the grid: slots from 2 without gaps, rows of 12 in reading
// order, at most 120, and the keys are the records in file order.
void checkGrid(const Layout &layout, const QList<Record> &records, const QString &fileName)
{
    FUZZ_CHECK(layout.keys.size() <= KeyboardFile::kMaxKeys, QString::number(layout.keys.size()));
    FUZZ_CHECK(layout.lastbutton == 1 + layout.keys.size(), QString::number(layout.lastbutton));
    QList<const Record *> keyRecords;
    keyRecords.reserve(records.size());
    for (const Record &r : records) {
        if (!r.rowBreak)
            keyRecords.append(&r);
    }
    bool editSeen = false;
    for (qsizetype i = 0; i < layout.keys.size(); ++i) {
        const KeyboardFile::PlacedKey &key = layout.keys.at(i);
        FUZZ_CHECK(key.slot == 2 + i, QString::number(key.slot));
        FUZZ_CHECK(key.column >= 1 && key.column <= KeyboardFile::kRowLength,
                   QString::number(key.column));
        FUZZ_CHECK(key.row >= 1, QString::number(key.row));
        if (i > 0) {
            const KeyboardFile::PlacedKey &prev = layout.keys.at(i - 1);
            const bool sameRow = key.row == prev.row && key.column == prev.column + 1;
            const bool newRow = key.row > prev.row && key.column == 1;
            FUZZ_CHECK(sameRow || newRow, QStringLiteral("slot %1").arg(key.slot));
        }
        if (i < keyRecords.size()) {
            const Record &r = *keyRecords.at(i);
            FUZZ_CHECK(key.record.keyText == r.keyText && key.record.kind == r.kind,
                       describe(key.record));
        } else {
            // Only the added edit key comes from no line, and only once.
            FUZZ_CHECK(i == keyRecords.size() && key.record.output == u"[edit]"
                               && key.record.kind == u"letter" && !editSeen,
                       describe(key.record));
        }
        editSeen = editSeen || isEditKey(key.record);
    }
    FUZZ_CHECK(layout.keys.size() == std::min<qsizetype>(keyRecords.size(), KeyboardFile::kMaxKeys)
                       || layout.keys.size() == keyRecords.size() + 1,
               QString::number(layout.keys.size()));
    // The edit key is there unless the keyboard gets none or is full.
    if (!KeyboardFile::getsNoEditKey(fileName))
        FUZZ_CHECK(editSeen || layout.keys.size() == KeyboardFile::kMaxKeys, fileName);
    else
        FUZZ_CHECK(layout.keys.size() <= keyRecords.size(), fileName);
}

// The writer's lines read back as the same kinds and outputs, where the format
// can hold the output: a "|" in it would read as a label, and "/" on a link
// reads as a row break.
// What the reader gives back of a key's output: CR LF becomes a space, and
// the reader trims spaces.  Made in `buffer`, on the stack for most keys.
using Buffer = QVarLengthArray<QChar, 256>;
FUZZ_NO_COVERAGE QStringView readBack(const QString &output, Buffer &buffer)
{
    buffer.clear();
    for (qsizetype i = 0; i < output.size(); ++i) {
        const bool lineBreak =
                output.at(i) == u'\r' && i + 1 < output.size() && output.at(i + 1) == u'\n';
        buffer.append(lineBreak ? QChar(u' ') : output.at(i));
        i += lineBreak;
    }
    QStringView text(buffer.constData(), buffer.size());
    while (text.startsWith(u' '))
        text = text.sliced(1);
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

void checkRoundTrip(const QList<KeyboardFile::KeyOut> &keys)
{
    Buffer buffer;
    const QStringList lines = KeyboardFile::write(keys);
    const QString text = TextFile::decode(TextFile::encode(TextFile::joinLines(lines)));
    const QList<Record> back = KeyboardFile::parse(TextFile::splitLines(text));

    qsizetype j = 0;
    for (const KeyboardFile::KeyOut &key : keys) {
        if (!KeyKinds::byName(key.kind))
            continue; // keys without a kind are not written
        FUZZ_CHECK(j < back.size(), QStringLiteral("%1 keys read back").arg(back.size()));
        const Record &r = back.at(j++);
        FUZZ_CHECK(r.kind == key.kind, describe(r));
        const QStringView expected = readBack(key.output, buffer);
        if (key.kind == u"keyboard" && expected == u"/") {
            FUZZ_CHECK(r.rowBreak, describe(r));
            continue;
        }
        FUZZ_CHECK(!r.rowBreak, describe(r));
        if (!expected.contains(u'|'))
            FUZZ_CHECK(r.output == expected,
                       shown(key.output) + QStringLiteral(" read back as ") + describe(r));
    }
    FUZZ_CHECK(j == back.size(),
               QStringLiteral("%1 records for %2 written").arg(back.size()).arg(j));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString names[] = { QStringLiteral("home.kbd"), QStringLiteral("Okay.kbd"),
                                     QStringLiteral("YesNo.kbd"), QStringLiteral("tmpkb.kbd"),
                                     QStringLiteral("FileNaming.kbd") };
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString fileName = names[size % 5];

    const QString text = TextFile::decode(bytes);
    const QStringList lines = TextFile::splitLines(text);
    const QList<Record> records = KeyboardFile::parse(lines);
    for (const Record &r : records)
        checkRecord(r);

    const Layout layout = KeyboardFile::place(records, fileName);
    checkGrid(layout, records, fileName);

    // The one-pass reader places the same keys.
    const Layout onePass = KeyboardFile::placeText(text, fileName);
    FUZZ_CHECK(onePass.lastbutton == layout.lastbutton, QString::number(onePass.lastbutton));
    FUZZ_CHECK(onePass.keys.size() == layout.keys.size(), QString::number(onePass.keys.size()));
    for (qsizetype i = 0; i < layout.keys.size(); ++i)
        FUZZ_CHECK(sameKey(onePass.keys.at(i), layout.keys.at(i)),
                   describe(onePass.keys[i].record));

    // Saved as the editor saves it, then read again.  The second list puts a
    // line break between label and output, as a text typed in the editor can
    // hold: the writer turns it into a space.
    QList<KeyboardFile::KeyOut> saved;
    QList<KeyboardFile::KeyOut> typed;
    saved.reserve(layout.keys.size());
    typed.reserve(layout.keys.size());
    for (const KeyboardFile::PlacedKey &key : layout.keys) {
        saved.append({ key.record.kind, key.record.output });
        QString text;
        text.reserve(key.record.label.size() + 2 + key.record.output.size());
        text += key.record.label;
        text += QLatin1String("\r\n");
        text += key.record.output;
        typed.append({ key.record.kind, std::move(text) });
    }
    checkRoundTrip(saved);
    checkRoundTrip(typed);

    // A link names a file inside the Keyboards folder, or nothing.
    for (const KeyboardFile::PlacedKey &key : layout.keys) {
        const QString link = KeyboardFile::linkFileName(key.record.output);
        FUZZ_CHECK(link.isEmpty()
                           || (link.endsWith(QLatin1String(".kbd")) && link.size() > 4
                               && FolderLookup::isPlainName(link) && !link.contains(u' ')),
                   shown(link));
    }
    return 0;
}
