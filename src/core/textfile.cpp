#include "textfile.h"

#include "filewrite.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace TextFile {

namespace {

// Windows-1252 bytes 0x80 to 0x9F.  The five undefined bytes keep their C1
// control character so that every byte survives a round trip.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int windows1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == c)
            return 0x80 + i;
    }
    return -1;
}

// Texts are mostly ASCII: it is looked for eight bytes (eight Latin-1 bytes
// or four UTF-16 code units) at a time.
template<typename Unit> bool allAscii(const Unit *units, qsizetype n)
{
    static_assert(sizeof(Unit) == 1 || sizeof(Unit) == 2);
    constexpr quint64 high = sizeof(Unit) == 1 ? 0x8080808080808080ull : 0xFF80FF80FF80FF80ull;
    constexpr qsizetype perWord = 8 / sizeof(Unit);
    qsizetype i = 0;
    for (; i + perWord <= n; i += perWord) {
        quint64 word;
        std::memcpy(&word, units + i, sizeof word);
        if (word & high)
            return false;
    }
    for (; i < n; ++i) {
        if (static_cast<std::make_unsigned_t<Unit>>(units[i]) >= 0x80)
            return false;
    }
    return true;
}

bool allAscii(const QByteArray &bytes)
{
    return allAscii(bytes.constData(), bytes.size());
}

bool allAscii(const QString &text)
{
    return allAscii(reinterpret_cast<const char16_t *>(text.constData()), text.size());
}

bool hasNonAscii(const QByteArray &bytes)
{
    return !allAscii(bytes);
}

std::optional<QString> strictUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless
                                                         | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// UTF-8; a text that itself starts with a byte-order mark gets one more in
// front, since the reader drops the first.
QByteArray utf8(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (text.startsWith(QChar(0xFEFF)))
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

bool isUtf8Text(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return strictUtf8(bytes.mid(3)).has_value();
    return hasNonAscii(bytes) && strictUtf8(bytes);
}

} // namespace

QString fromWindows1252(const QByteArray &bytes)
{
    if (!bytes.isEmpty() && allAscii(bytes))
        return QString::fromLatin1(bytes.constData(), bytes.size());
    QString text;
    text.resize(bytes.size());
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return text;
}

bool canEncodeWindows1252(const QString &text)
{
    if (allAscii(text))
        return true;
    for (QChar c : text) {
        if (windows1252Byte(c.unicode()) < 0)
            return false;
    }
    return true;
}

QByteArray toWindows1252(const QString &text)
{
    if (text.isEmpty()) {
        QByteArray bytes;
        bytes.reserve(0);
        return bytes;
    }
    if (allAscii(text))
        return text.toLatin1();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (QChar c : text) {
        const int b = windows1252Byte(c.unicode());
        *out++ = static_cast<char>(b < 0 ? '?' : b);
    }
    return bytes;
}

QString decode(const QByteArray &bytes)
{
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        return strictUtf8(body.mid(3)).value_or(fromWindows1252(body));
    if (hasNonAscii(body)) {
        if (auto utf8 = strictUtf8(body))
            return *utf8;
    }
    return fromWindows1252(body);
}

QByteArray encode(const QString &text)
{
    if (canEncodeWindows1252(text)) {
        QByteArray bytes = toWindows1252(text);
        // Windows-1252 bytes that happen to form UTF-8 would read back as other
        // characters; such a text goes out as UTF-8 instead.
        if (!hasNonAscii(bytes) || !strictUtf8(bytes))
            return bytes;
    }
    return utf8(text);
}

std::optional<QString> read(const QString &path, qint64 maxBytes, bool *whole)
{
    if (whole)
        *whole = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    QByteArray bytes;
    if (maxBytes < 0) {
        bytes = file.readAll();
    } else {
        // Not a buffer of the limit's size for a small file: the file's own
        // size first, then what it may have grown by, up to the limit.
        const qint64 first = file.isSequential() ? 64 * 1024 : file.size();
        bytes = file.read(std::min(maxBytes, first));
        while (bytes.size() < maxBytes && !file.atEnd() && file.error() == QFileDevice::NoError) {
            const QByteArray more = file.read(std::min<qint64>(maxBytes - bytes.size(), 1 << 20));
            if (more.isEmpty())
                break;
            bytes += more;
        }
    }
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    const bool all = maxBytes < 0 || file.atEnd();
    if (whole)
        *whole = all;
    if (!all) {
        // Only whole lines of a file that goes on: a cut character would
        // make the whole text read as another encoding.
        const qsizetype end = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
        if (end >= 0) {
            bytes.truncate(end + 1);
        } else {
            // One line longer than the limit: it is cut, but never inside a
            // UTF-8 character (a lead byte and its continuation bytes).
            qsizetype lead = bytes.size();
            while (lead > 0 && bytes.size() - lead < 3
                   && (static_cast<unsigned char>(bytes[lead - 1]) & 0xC0) == 0x80)
                --lead;
            if (lead > 0) {
                const auto first = static_cast<unsigned char>(bytes[lead - 1]);
                const qsizetype length = first >= 0xF0   ? 4
                                         : first >= 0xE0 ? 3
                                         : first >= 0xC0 ? 2
                                                         : 1;
                if (length > 1 && bytes.size() - (lead - 1) < length)
                    bytes.truncate(lead - 1);
            }
        }
    }
    return decode(bytes);
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    if (!text.isEmpty()) // a CR LF counts twice here: at most twice the room
        lines.reserve(text.count(u'\n') + text.count(u'\r') + 1);
    Lines walk(text);
    for (QStringView line; walk.next(&line);)
        lines.append(line.toString());
    return lines;
}

std::optional<QStringList> readLines(const QString &path, qint64 maxBytes)
{
    auto text = read(path, maxBytes);
    if (!text)
        return std::nullopt;
    return splitLines(*text);
}

QString joinLines(const QStringList &lines)
{
    qsizetype size = 0;
    for (const QString &line : lines)
        size += line.size() + 2;
    QString text;
    if (size > 0)
        text.reserve(size);
    for (const QString &line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text;
}

bool write(const QString &path, const QString &text)
{
    return FileWrite::replace(path, encode(text));
}

bool append(const QString &path, const QString &addition)
{
    QByteArray old;
    if (QFile::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return false;
        old = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return false;
    }
    // A file edited by hand may lack its final line break: without one the
    // new text would be glued to the last line.  A byte-order mark alone is
    // no line.
    QString text = addition;
    const bool noLines = old.isEmpty() || old == "\xEF\xBB\xBF";
    if (!noLines && !old.endsWith('\n') && !old.endsWith('\r'))
        text.prepend(QLatin1String("\r\n"));
    // A file ending in a lone CR and a text starting with LF would meet as
    // one CR LF, and the text's first line break would be lost: the CR gets
    // its LF first.
    if (old.endsWith('\r') && text.startsWith(u'\n'))
        text.prepend(u'\n');
    // The file keeps its encoding where the new text allows it; otherwise the
    // whole file goes over to UTF-8.
    QByteArray bytes;
    if (isUtf8Text(old)) {
        bytes = old + text.toUtf8();
    } else {
        bytes = encode(decode(old) + text);
        if (!isUtf8Text(bytes))
            bytes = old + toWindows1252(text);
    }
    return FileWrite::replace(path, bytes);
}

// ---------------------------------------------------------------------------

namespace {

// Does the file end inside a UTF-8 character (a lead byte without all of its
// continuation bytes)?
bool endsInsideCharacter(const QByteArray &tail)
{
    qsizetype lead = tail.size();
    while (lead > 0 && tail.size() - lead < 3
           && (static_cast<unsigned char>(tail[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead == 0)
        return false;
    const auto first = static_cast<unsigned char>(tail[lead - 1]);
    const qsizetype length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    return length > 1 && tail.size() - (lead - 1) < length;
}

// The next `chunk` bytes of a file, or what it has left when that is less,
// nothing at its end: QIODevice::read() makes room for all it is asked for,
// and most files are far smaller than a chunk.  A pipe is read as asked.
QByteArray readChunk(QFile &file, qint64 chunk)
{
    if (!file.isSequential()) {
        const qint64 left = file.size() - file.pos();
        if (left <= 0)
            return QByteArray();
        chunk = std::min(chunk, left);
    }
    return file.read(chunk);
}

} // namespace

LineReader::LineReader(const QString &path, qint64 chunkBytes)
    : m_file(path), m_chunk(std::max<qint64>(chunkBytes, 1))
{
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    // The first pass decides the encoding as decode() does for the whole
    // file: UTF-8 behind a byte-order mark when the rest is valid UTF-8, else
    // UTF-8 when it holds non-ASCII bytes and is valid, else Windows-1252.
    const bool bom = m_file.read(3) == "\xEF\xBB\xBF";
    if (!m_file.seek(bom ? 3 : 0))
        return;
    QStringDecoder check(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    bool nonAscii = false;
    QByteArray tail;
    while (!m_file.atEnd()) {
        const QByteArray bytes = readChunk(m_file, m_chunk);
        if (m_file.error() != QFileDevice::NoError || bytes.isEmpty())
            return;
        nonAscii = nonAscii || hasNonAscii(bytes);
        if (nonAscii && !check.hasError()) {
            const QString decoded = check.decode(bytes);
            Q_UNUSED(decoded);
        }
        tail = bytes.size() >= 4 ? bytes.right(4) : (tail + bytes).right(4);
    }
    const bool valid = !check.hasError() && !endsInsideCharacter(tail);
    m_utf8 = bom ? valid : nonAscii && valid;
    if (!m_file.seek(m_utf8 && bom ? 3 : 0))
        return;
    m_decoder = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    m_ok = true;
}

bool LineReader::fill()
{
    if (m_atEnd)
        return false;
    const QByteArray bytes = readChunk(m_file, m_chunk);
    if (m_file.error() != QFileDevice::NoError) {
        m_ok = false;
        m_atEnd = true;
        return false;
    }
    if (bytes.isEmpty()) {
        m_atEnd = true;
        return false;
    }
    m_text.remove(0, m_pos);
    m_pos = 0;
    m_text += m_utf8 ? QString(m_decoder.decode(bytes)) : fromWindows1252(bytes);
    return true;
}

bool LineReader::next(QString *line)
{
    if (!m_ok)
        return false;
    qsizetype from = m_pos;
    for (;;) {
        for (qsizetype i = from; i < m_text.size(); ++i) {
            const QChar c = m_text.at(i);
            if (c != u'\r' && c != u'\n')
                continue;
            // A CR at the end of what is read may be the first half of CR LF.
            if (c == u'\r' && i + 1 == m_text.size() && !m_atEnd) {
                const qsizetype at = i - m_pos;
                fill();
                if (!m_ok)
                    return false;
                i = m_pos + at;
            }
            *line = m_text.mid(m_pos, i - m_pos);
            if (c == u'\r' && i + 1 < m_text.size() && m_text.at(i + 1) == u'\n')
                ++i;
            m_pos = i + 1;
            return true;
        }
        from = m_text.size() - m_pos;
        if (!fill()) {
            if (!m_ok || m_pos >= m_text.size())
                return false;
            *line = m_text.mid(m_pos);
            m_pos = m_text.size();
            return true;
        }
        from += m_pos;
    }
}

} // namespace TextFile
