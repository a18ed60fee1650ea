#pragma once

#include <QStringList>

class QTextStream;

namespace Wordloom {

// Wordloom without a window, for scripts:
//   wordloom [--group NAME] FILE
// imports FILE into the folder that holds it, prints the files written and
// the closing message, and returns 0.  A bad argument or a file that cannot
// be read or written is told on `err`, with a non-zero status: 2 for a bad
// command line, 1 for a failed import.
int runCommandLine(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace Wordloom
