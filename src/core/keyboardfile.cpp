#include "keyboardfile.h"

#include "folderlookup.h"
#include "textfile.h"
#include "textrules.h"

#include <algorithm>

using TextRules::trimSpaces;

namespace KeyKinds {

const QList<KeyKind> &all()
{
    static const QList<KeyKind> kinds = {
        { QStringLiteral("000"), QStringLiteral("letter"), 0x00FFFFFF,
          QStringLiteral("Partial Text (White)") },
        { QStringLiteral("001"), QStringLiteral("word1"), 0x00C0FFC0,
          QStringLiteral("Word (Green)") },
        { QStringLiteral("002"), QStringLiteral("word2"), 0x00C0FFFF,
          QStringLiteral("Word (Yellow)") },
        { QStringLiteral("003"), QStringLiteral("word3"), 0x00C0C0FF,
          QStringLiteral("Word (Red)") },
        { QStringLiteral("004"), QStringLiteral("extend"), 0x00C0E0FF,
          QStringLiteral("Suffix or Punctuation (Orange)") },
        { QStringLiteral("999"), QStringLiteral("keyboard"), 0x00FFC0FF,
          QStringLiteral("Keyboard Name (Purple)") },
    };
    return kinds;
}

const KeyKind *byCode(const QString &code)
{
    for (const KeyKind &k : all()) {
        if (k.code == code)
            return &k;
    }
    return nullptr;
}

const KeyKind *byName(const QString &name)
{
    for (const KeyKind &k : all()) {
        if (k.name == name)
            return &k;
    }
    return nullptr;
}

} // namespace KeyKinds

namespace KeyboardFile {

namespace {

// `s` without its leading and trailing spaces, as trimSpaces() has it, but
// without a copy.
QStringView withoutOuterSpaces(QStringView s)
{
    qsizetype a = 0;
    qsizetype b = s.size();
    while (a < b && s[a] == u' ')
        ++a;
    while (b > a && s[b - 1] == u' ')
        --b;
    return s.sliced(a, b - a);
}

} // namespace

namespace {

// parseLine() into `r`, a new record; false for a blank line.  Every line is
// read for every key of a keyboard: a string is made only for what the
// record keeps.
bool parseInto(QStringView line, const KeyKind *&current, Record &r)
{
    if (withoutOuterSpaces(line).isEmpty())
        return false;
    const qsizetype bar = line.indexOf(u'|');
    r.keyText = withoutOuterSpaces(bar < 0 ? line : line.mid(bar + 1)).toString();
    const QStringView code = line.left(3);
    for (const KeyKind &k : KeyKinds::all()) {
        if (code == k.code) {
            current = &k;
            break;
        }
    }
    if (current) {
        r.kind = current->name;
        r.colour = current->colour;
    }
    if (r.kind == u"keyboard" && r.keyText == u"/") {
        r.rowBreak = true;
    } else {
        const qsizetype split = r.keyText.indexOf(u'|');
        r.hasLabel = split >= 0;
        if (r.hasLabel) {
            r.label = withoutOuterSpaces(QStringView(r.keyText).left(split)).toString();
            r.output = withoutOuterSpaces(QStringView(r.keyText).mid(split + 1)).toString();
        } else {
            r.label = r.output = r.keyText;
        }
    }
    return true;
}

} // namespace

std::optional<Record> parseLine(QStringView line, const KeyKind *&current)
{
    Record r;
    if (!parseInto(line, current, r))
        return std::nullopt;
    return r;
}

QList<Record> parse(const QStringList &lines)
{
    QList<Record> records;
    records.reserve(lines.size());
    const KeyKind *current = nullptr;
    for (const QString &line : lines) {
        records.emplaceBack();
        if (!parseInto(line, current, records.last()))
            records.removeLast();
    }
    return records;
}

bool isSystemKeyboard(const QString &fileName)
{
    static const char *const names[] = { "EditLettersUpper.kbd",
                                         "EditLettersLower.kbd",
                                         "Okay.kbd",
                                         "YesNo.kbd",
                                         "FileNaming.kbd",
                                         "tmpkb.kbd" };
    for (const char *name : names) {
        if (fileName.contains(QLatin1String(name)))
            return true;
    }
    return false;
}

bool getsNoEditKey(const QString &fileName)
{
    static const char *const names[] = { "EditLettersUpper.kbd", "EditLettersLower.kbd", "Okay.kbd",
                                         "YesNo.kbd", "FileNaming.kbd" };
    for (const char *name : names) {
        if (fileName == QLatin1String(name))
            return true;
    }
    return false;
}

namespace {

// Places records one by one: rows of 12, row breaks, at most 120 keys.
class Placer
{
public:
    // False once every key slot is taken: no later line changes the keys.
    bool full() const { return m_slot >= kMaxKeys + 1; }

    void add(Record &&r)
    {
        // Only six characters can be "[edit]" in lower case (no character
        // becomes an ASCII one but the ASCII capitals): most keys need no
        // lower-case copy.
        if (r.keyText.size() == 6 && r.keyText.toLower() == u"[edit]")
            m_editKeySeen = true;
        if (r.rowBreak) {
            if (!m_rowJustWrapped) {
                m_layout.xpos = 0;
                ++m_layout.ypos;
            }
        } else if (!full()) {
            ++m_slot;
            ++m_layout.xpos;
            m_layout.keys.append({ m_slot, m_layout.xpos, m_layout.ypos, std::move(r) });
            m_rowJustWrapped = false;
        }
        if (m_layout.xpos == kRowLength) {
            m_layout.xpos = 0;
            ++m_layout.ypos;
            m_rowJustWrapped = true;
        }
    }

    // Adds the edit key where the keyboard has none and there is room.
    Layout finish(const QString &fileName)
    {
        m_layout.lastbutton = m_slot;
        if (!full() && !m_editKeySeen && !getsNoEditKey(fileName)) {
            ++m_slot;
            ++m_layout.xpos;
            Record edit;
            edit.kind = QStringLiteral("letter");
            edit.colour = 0x00FFFFFF;
            edit.keyText = edit.label = edit.output = QStringLiteral("[edit]");
            m_layout.keys.append({ m_slot, m_layout.xpos, m_layout.ypos, edit });
            m_layout.lastbutton = m_slot;
        }
        return m_layout;
    }

private:
    Layout m_layout;
    int m_slot = 1;
    bool m_editKeySeen = false;
    bool m_rowJustWrapped = false;
};

} // namespace

Layout place(const QList<Record> &records, const QString &fileName)
{
    Placer placer;
    for (const Record &r : records)
        placer.add(Record(r));
    return placer.finish(fileName);
}

Layout placeText(QStringView text, const QString &fileName)
{
    Placer placer;
    const KeyKind *current = nullptr;
    // Lines end at CR LF, LF or a lone CR, as TextFile::splitLines has it.
    TextFile::Lines lines(text);
    for (QStringView line; !placer.full() && lines.next(&line);) {
        if (Record r; parseInto(line, current, r))
            placer.add(std::move(r));
    }
    return placer.finish(fileName);
}

Layout readAndPlace(const QString &path, const QString &fileName)
{
    const QString text = TextFile::read(path, TextFile::kLargestReadable).value_or(QString());
    return placeText(text, fileName);
}

QStringList write(const QList<KeyOut> &keys)
{
    QStringList lines;
    lines.reserve(keys.size());
    for (const KeyOut &key : keys) {
        const KeyKind *kind = KeyKinds::byName(key.kind);
        if (!kind)
            continue;
        QString line;
        line.reserve(kind->code.size() + 1 + key.output.size());
        line += kind->code;
        line += u'|';
        line += key.output;
        line.replace(QLatin1String("\r\n"), QLatin1String(" "));
        lines.append(std::move(line));
    }
    return lines;
}

QString linkFileName(const QString &output)
{
    QString name = output.trimmed();
    name.remove(u' ');
    if (name.isEmpty() || !FolderLookup::isPlainName(name))
        return QString();
    return name + QLatin1String(".kbd");
}

} // namespace KeyboardFile
