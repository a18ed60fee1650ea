#include "keyboardfile.h"

#include "folderlookup.h"
#include "textrules.h"

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

QList<Record> parse(const QStringList &lines)
{
    QList<Record> records;
    const KeyKind *current = nullptr;
    for (const QString &line : lines) {
        if (trimSpaces(line).isEmpty())
            continue;
        Record r;
        const qsizetype bar = line.indexOf(u'|');
        r.keyText = trimSpaces(bar < 0 ? line : line.mid(bar + 1));
        if (const KeyKind *k = KeyKinds::byCode(line.left(3)))
            current = k;
        if (current) {
            r.kind = current->name;
            r.colour = current->colour;
        }
        if (r.kind == u"keyboard" && r.keyText == u"/") {
            r.rowBreak = true;
        } else {
            const qsizetype split = r.keyText.indexOf(u'|');
            r.hasLabel = split >= 0;
            r.label = r.hasLabel ? trimSpaces(r.keyText.left(split)) : r.keyText;
            r.output = r.hasLabel ? trimSpaces(r.keyText.mid(split + 1)) : r.keyText;
        }
        records.append(r);
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

Layout place(const QList<Record> &records, const QString &fileName)
{
    Layout layout;
    int slot = 1;
    bool editKeySeen = false;
    bool rowJustWrapped = false;
    for (const Record &r : records) {
        if (r.keyText.toLower() == u"[edit]")
            editKeySeen = true;
        if (r.rowBreak) {
            if (!rowJustWrapped) {
                layout.xpos = 0;
                ++layout.ypos;
            }
        } else if (slot < kMaxKeys + 1) {
            ++slot;
            ++layout.xpos;
            layout.keys.append({ slot, layout.xpos, layout.ypos, r });
            rowJustWrapped = false;
        }
        if (layout.xpos == kRowLength) {
            layout.xpos = 0;
            ++layout.ypos;
            rowJustWrapped = true;
        }
    }
    layout.lastbutton = slot;
    if (slot < kMaxKeys + 1 && !editKeySeen && !getsNoEditKey(fileName)) {
        ++slot;
        ++layout.xpos;
        Record edit;
        edit.kind = QStringLiteral("letter");
        edit.colour = 0x00FFFFFF;
        edit.keyText = edit.label = edit.output = QStringLiteral("[edit]");
        layout.keys.append({ slot, layout.xpos, layout.ypos, edit });
        layout.lastbutton = slot;
    }
    return layout;
}

QStringList write(const QList<KeyOut> &keys)
{
    QStringList lines;
    for (const KeyOut &key : keys) {
        const KeyKind *kind = KeyKinds::byName(key.kind);
        if (!kind)
            continue;
        QString text = key.output;
        text.replace(QLatin1String("\r\n"), QLatin1String(" "));
        lines.append(kind->code + u'|' + text);
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
