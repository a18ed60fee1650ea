#pragma once

#include <QString>

// Files of the program folder are found without regard to letter case: a
// keyboard key may link to "Home" while the file is home.kbd, and "words" and
// "Words" are one folder.
namespace FolderLookup {

// The path of `relative` (components separated by '/') under `base`, each
// component matched to an existing entry ignoring case.  An exact match wins
// over a case-insensitive one.  Components that do not exist are kept as given,
// so the result is also the path to create.
QString resolve(const QString &base, const QString &relative);

// True when `name` can stand as one file name inside its folder: not empty,
// no path separator, not "." or "..".
bool isPlainName(const QString &name);

} // namespace FolderLookup
