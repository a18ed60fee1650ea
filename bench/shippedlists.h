#pragma once

// The word lists of a folder as the program reads them, without the user word
// file, for the benchmarks that replay a text.

#include "textfile.h"
#include "wordlists.h"

#include <QDir>

inline bool loadLists(const QString &folder, WordTable &table)
{
    for (int n = 1; n <= WordTable::kLengths; ++n) {
        for (int k = 1; k <= WordTable::kLetters; ++k) {
            const auto lines =
                    TextFile::readLines(QDir(folder).filePath(WordTable::listFileName(k, n)));
            if (!lines)
                return false;
            table.setList(k, n, lines->join(QString()));
        }
    }
    return true;
}
