#pragma once

#include <QString>
#include <QStringList>

// The program folder is the user's data folder for Plumtype.  At every start
// the files shipped with the program that are missing there are copied in;
// files the user already has are never touched.
namespace ProgramFolder {

struct Result
{
    QStringList copied; // relative paths copied in
    QStringList failed; // relative paths that could not be copied
};

// Copies every file under `shipped` that has no counterpart (letter case
// ignored) under `target`.  Folders are created as needed.
Result layOut(const QString &shipped, const QString &target);

} // namespace ProgramFolder
