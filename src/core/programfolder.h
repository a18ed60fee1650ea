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

// The folder the program works in, once the user's folder has been laid out.
struct Choice
{
    QString folder;
    // Nothing can be saved: the reason, in words for the user; empty when
    // saving works.
    QString readOnlyReason;
    Result laidOut;
};

// Lays out `target` and chooses it when it holds the home keyboard.  When it
// cannot be written, nothing can be saved; when it holds no home keyboard
// (it could not be made or filled), the shipped folder serves instead, read
// only.
Choice choose(const QString &shipped, const QString &target);

} // namespace ProgramFolder
