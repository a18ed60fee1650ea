#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

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

// The whole file decoded; nullopt when it cannot be opened.  With a limit, at
// most that many bytes are read, ending at the last line break within them,
// so that no line is cut; a first line longer than the limit is cut, but not
// inside a character.
std::optional<QString> read(const QString &path, qint64 maxBytes = -1);

// The lines of a text, split at CR LF, LF or a lone CR, line ends dropped.  A
// final line end adds no empty line.
QStringList splitLines(const QString &text);

// The file as lines; nullopt when it cannot be opened.
std::optional<QStringList> readLines(const QString &path, qint64 maxBytes = -1);

// Joins the lines with CR LF behind each one.
QString joinLines(const QStringList &lines);

// Replaces the file atomically with the encoded text.  Creates missing folders
// only when asked to.  Returns false when the file could not be written; the old
// file is then untouched.
bool write(const QString &path, const QString &text);

// Adds text at the end of the file (created when missing), keeping the file's
// own encoding where the new text allows it.  When the file does not end with
// a line break, one is put first, so that the text starts on a line of its
// own.  The file is replaced atomically.
bool append(const QString &path, const QString &text);

} // namespace TextFile
