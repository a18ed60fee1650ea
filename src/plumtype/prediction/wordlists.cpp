// The word lists behind the suggestion buttons, and the user's own words.
#include "form1.h"

#include "folderlookup.h"

#include <QFile>
#include <QFileInfo>

void Form1::loadwords()
{
    // Each list is read when a word of its letter and length is first
    // typed: the 260 files cost the start nothing, and only the lists in use
    // take memory.
    wordlists.loadOnDemand(programPath(QStringLiteral("words")), canSave());
}

bool Form1::fileexists(const QString &path)
{
    const QFileInfo info(path);
    QFile file(FolderLookup::resolve(info.absolutePath(), info.fileName()));
    return file.open(QIODevice::ReadOnly);
}

void Form1::addword(const QString &typedText)
{
    // The word follows the ten characters "[add word]".
    if (canSave())
        WordLists::addWord(programPath(QStringLiteral("words")), typedText.mid(10));
    loadwords();
}
