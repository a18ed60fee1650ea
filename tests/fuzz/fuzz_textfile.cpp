// Text files: encodings, lines, reading with a byte limit, appending.

#include "fuzzcheck.h"

#include "textfile.h"

#include <QFile>

namespace {

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
           && file.write(bytes) == bytes.size();
}

// What the encoder promises: every text comes back as it was, except for
// lone surrogates, which no encoding can store: each comes back as "?".
QString storable(const QString &s)
{
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            out += c;
            out += s.at(++i);
        } else {
            out += c.isSurrogate() ? QChar(u'?') : c;
        }
    }
    return out;
}

void checkEncoding(const QString &s)
{
    const QString back = TextFile::decode(TextFile::encode(s));
    FUZZ_CHECK(back == storable(s), shown(s) + QStringLiteral(" came back as ") + shown(back));
}

void checkLines(const QString &text)
{
    const QStringList lines = TextFile::splitLines(text);
    for (const QString &line : lines)
        FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n'), shown(line));
    // Lines without line ends survive joining and splitting, empty ones too.
    FUZZ_CHECK(TextFile::splitLines(TextFile::joinLines(lines)) == lines, shown(text));
    QString flat = text;
    flat.removeIf([](QChar c) { return c == u'\r' || c == u'\n'; });
    const QStringList parts = flat.split(u'|');
    FUZZ_CHECK(TextFile::splitLines(TextFile::joinLines(parts)) == parts, shown(flat));
    // A text that already has CR LF behind every line is joined back as it was.
    if (!text.isEmpty() && text.endsWith(QLatin1String("\r\n"))
        && text.count(u'\r') == text.count(QLatin1String("\r\n"))
        && text.count(u'\n') == text.count(QLatin1String("\r\n")))
        FUZZ_CHECK(TextFile::joinLines(lines) == text, shown(text));
}

// Reading with a limit gives the decoded bytes up to the last line break
// within the limit: the whole file when it fits, else whole lines, else (a
// first line longer than the limit) the bytes up to the limit less a UTF-8
// character cut at its end.  A UTF-8 file still reads as UTF-8.
void checkLimitedRead(const QString &path, const QByteArray &bytes, qint64 limit)
{
    QByteArray prefix = bytes;
    bool longLine = false;
    if (limit >= 0 && prefix.size() > limit) {
        prefix.truncate(limit);
        const qsizetype end = std::max(prefix.lastIndexOf('\n'), prefix.lastIndexOf('\r'));
        if (end >= 0)
            prefix.truncate(end + 1);
        else
            longLine = true;
    }
    const auto text = TextFile::read(path, limit);
    FUZZ_CHECK(text.has_value(), path);
    FUZZ_CHECK(limit < 0 || text->size() <= limit, QString::number(text->size()));
    bool matches = *text == TextFile::decode(prefix);
    for (int k = 1; longLine && !matches && k <= 4 && k <= prefix.size(); ++k)
        matches = *text == TextFile::decode(prefix.chopped(k));
    FUZZ_CHECK(matches, QStringLiteral("limit %1: ").arg(limit) + shown(*text));
    if (longLine && TextFile::decode(bytes) == QString::fromUtf8(bytes))
        FUZZ_CHECK(QString::fromUtf8(bytes).startsWith(*text),
                   QStringLiteral("utf-8 cut: ") + shown(*text));
    FUZZ_CHECK(TextFile::readLines(path, limit).value_or(QStringList())
                       == TextFile::splitLines(*text),
               shown(*text));
}

// Appending keeps every old line and adds the new ones as lines of their own.
void checkAppend(const QString &path, const QByteArray &old, const QStringList &added)
{
    FUZZ_CHECK(writeBytes(path, old), path);
    const QStringList oldLines = TextFile::splitLines(TextFile::decode(old));
    FUZZ_CHECK(TextFile::append(path, TextFile::joinLines(added)), path);
    const QStringList now = TextFile::readLines(path).value_or(QStringList());
    FUZZ_CHECK(now == oldLines + added,
               shown(TextFile::decode(old)) + QStringLiteral(" + ") + shown(added.join(u'/'))
                       + QStringLiteral(" read as ") + shown(now.join(u'/')));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const bool limited = in.takeBool();
    const qint64 limit = limited ? qint64(in.takeInt(uint32_t(size) + 2)) : -1;
    const qsizetype split = qsizetype(in.takeInt(uint32_t(size)));
    const QByteArray bytes = in.rest();

    const QString text = TextFile::decode(bytes);
    checkEncoding(text);
    // Any UTF-16 text at all, made of the same bytes.
    const QString any = utf16From(bytes);
    checkEncoding(any);
    checkEncoding(QChar(0xFEFF) + any);

    checkLines(text);
    checkLines(any);
    if (!diskTurn())
        return 0;

    const QString folder = scratchFolder();
    const QString path = folder + QStringLiteral("/file.txt");
    FUZZ_CHECK(writeBytes(path, bytes), path);
    FUZZ_CHECK(TextFile::read(path) == text, shown(text));
    checkLimitedRead(path, bytes, limit);

    QStringList added = TextFile::splitLines(TextFile::decode(bytes.mid(split)));
    if (added.isEmpty())
        added.append(QString());
    checkAppend(folder + QStringLiteral("/append.txt"), bytes.left(split), added);

    // No name leaves its folder: writes through a link out fail and change
    // nothing outside.
    const LinkTrap trap(folder);
    trap.plant(QStringLiteral("linked.txt"), uint8_t(split));
    const QString linked = folder + QStringLiteral("/linked.txt");
    FUZZ_CHECK(!TextFile::write(linked, text), shown(text));
    FUZZ_CHECK(!TextFile::append(linked, text), shown(text));
    FUZZ_CHECK(trap.untouched(), shown(text));

    // Read line by line, a few bytes at a time, the file gives the same
    // lines as read whole.
    TextFile::LineReader reader(path, qint64(split % 17) + 1);
    QStringList streamed;
    QString line;
    while (reader.next(&line))
        streamed.append(line);
    FUZZ_CHECK(reader.isOk() && streamed == TextFile::splitLines(text),
               shown(streamed.join(u'/')) + QStringLiteral(" read as a whole ")
                       + shown(TextFile::splitLines(text).join(u'/')));
    return 0;
}
