#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Every file Plumtype and Wordloom write goes through here: keyboards, saved
// texts, the word files, the screen size file, the working copy, Wordloom's
// keyboards and the copies of the shipped files.
//
//  - A write replaces its file whole or not at all: the bytes go into a
//    temporary file beside it, "<name>~XXXXXX", which is then renamed over
//    the file.  A write killed before the rename leaves that temporary file
//    behind; clearLeftovers removes such files at the next start.
//  - A write never follows a symbolic link out of the folder that holds the
//    file's name.
//  - New files and folders are for the user alone (0600, 0700); a file that
//    is replaced keeps its permissions.
namespace FileWrite {

// Where a write to `path` lands: `path` itself, or, when `path` is a
// symbolic link, the end of its chain of links (which need not exist yet).
// nullopt when the write must not go ahead: a link of the chain leads out of
// the folder that holds `path`, the chain never ends, or it ends at a folder.
// The folder itself may be reached through links: it is the user's to place.
std::optional<QString> target(const QString &path);

// Replaces the file at `path` (or the file its links lead to, see target)
// with `bytes`.  False when it could not be written or target() refuses it;
// the old file is then as it was.
bool replace(const QString &path, const QByteArray &bytes);

// Makes the folder and every missing folder above it, each for the user
// alone.  True when the folder is there in the end.
bool makeFolder(const QString &path);

// The characters a temporary file adds to the name of the file it replaces.
inline constexpr char16_t kTemporaryMark = u'~';
inline constexpr int kTemporaryRandom = 6;

// Is `name` the temporary file of a write to a file whose name matches one
// of `patterns` (wildcards, letter case ignored)?
bool isLeftover(const QString &name, const QStringList &patterns);

// Removes the temporary files that writes to files matching `patterns` left
// in `folder` (regular files only; links and folders stay).  Returns the
// names removed.  Run it only where no write of ours can be under way.
QStringList clearLeftovers(const QString &folder, const QStringList &patterns);

} // namespace FileWrite
