#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <optional>

// Plain text files of the program folder: keyboards, word lists, saved texts,
// the screen size file.  They are Windows-1252 text with CR LF line ends, as on
// the machines the files come from.  A file whose bytes are valid UTF-8 and hold
// non-ASCII characters is read as UTF-8, and a text that Windows-1252 cannot
// hold is written as UTF-8, so nothing the user typed is ever lost.
namespace TextFile {

QString decode(const QByteArray &bytes);
QByteArray encode(const QString &text);

// Windows-1252 both ways.  Every byte maps to one character and back, the five
// bytes Windows leaves undefined to the matching C1 control characters.
QString fromWindows1252(const QByteArray &bytes);
bool canEncodeWindows1252(const QString &text);
QByteArray toWindows1252(const QString &text);

// Larger than any real keyboard, word list or settings file: readers of those
// stop there, so that a stray huge file costs little time and memory.
inline constexpr qint64 kLargestReadable = 4 * 1024 * 1024;
// Plumtype's settings file holds a few dozen short lines; a larger file than
// this is none of its own and is not read.
inline constexpr qint64 kLargestSettingsFile = 256 * 1024;
// Texts typed on an on-screen keyboard are short; a saved text larger than
// this is not opened (the typing area would take many seconds to show it).
inline constexpr qint64 kLargestSavedText = 1024 * 1024;

// The whole file decoded; nullopt when it cannot be opened or read.  With a
// limit, at most that many bytes are read, ending at the last line break
// within them, so that no line is cut; a first line longer than the limit is
// cut, but not inside a character.  `whole`, when given, tells whether the
// text is the whole file (false when the limit cut it).
std::optional<QString> read(const QString &path, qint64 maxBytes = -1, bool *whole = nullptr);

// The lines of a text, split at CR LF, LF or a lone CR, line ends dropped.  A
// final line end adds no empty line.
QStringList splitLines(const QString &text);

// Walks a text line by line as splitLines splits it, without making the list.
// The next CR and the next LF are each found by a search of their own.
class Lines
{
public:
    explicit Lines(QStringView text)
        : m_text(text), m_cr(text.indexOf(u'\r')), m_lf(text.indexOf(u'\n'))
    {
    }

    // The next line, without its line end; false at the end of the text.
    bool next(QStringView *line)
    {
        const qsizetype n = m_text.size();
        if (m_start >= n)
            return false;
        if (m_cr >= 0 && m_cr < m_start)
            m_cr = m_text.indexOf(u'\r', m_start);
        if (m_lf >= 0 && m_lf < m_start)
            m_lf = m_text.indexOf(u'\n', m_start);
        qsizetype end = m_cr < 0 ? (m_lf < 0 ? n : m_lf) : (m_lf < 0 ? m_cr : std::min(m_cr, m_lf));
        *line = m_text.mid(m_start, end - m_start);
        if (end == m_cr && end + 1 < n && m_text[end + 1] == u'\n')
            ++end;
        m_start = end + 1;
        return true;
    }

private:
    QStringView m_text;
    qsizetype m_cr;
    qsizetype m_lf;
    qsizetype m_start = 0;
};

// The file as lines; nullopt when it cannot be opened.
std::optional<QStringList> readLines(const QString &path, qint64 maxBytes = -1);

// Joins the lines with CR LF behind each one.
QString joinLines(const QStringList &lines);

// Replaces the file atomically with the encoded text (FileWrite::replace: no
// symbolic link leads the write out of the file's folder).  Returns false
// when the file could not be written; the old file is then untouched.
bool write(const QString &path, const QString &text);

// Adds text at the end of the file (created when missing), keeping the file's
// own encoding where the new text allows it.  When the file does not end with
// a line break, one is put first, so that the text starts on a line of its
// own.  The file is replaced atomically, as by write.
bool append(const QString &path, const QString &text);

// A file read line by line, the lines readLines would give, without holding
// the whole file: for files of any size.  The encoding is decided as decode
// decides it, by a first pass over the bytes.
class LineReader
{
public:
    // `chunkBytes`: how much is read at a time.
    explicit LineReader(const QString &path, qint64 chunkBytes = 64 * 1024);

    // False when the file could not be opened or read.
    bool isOk() const { return m_ok; }
    // The next line, without its line end; false at the end of the file or
    // when it could not be read (isOk() then is false).
    bool next(QString *line);

private:
    bool fill();

    QFile m_file;
    qint64 m_chunk;
    bool m_ok = false;
    bool m_utf8 = false;
    bool m_atEnd = false;
    QStringDecoder m_decoder;
    QString m_text; // decoded, from m_pos on not taken yet
    qsizetype m_pos = 0;
};

} // namespace TextFile
