#include "commandline.h"

#include "wordimport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace Wordloom {

int runCommandLine(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
            QStringLiteral("Turns a file of titled word lists into Plumtype keyboard files, "
                           "written into the folder that holds the file.\n"
                           "Without arguments, Wordloom opens its window."));
    const QCommandLineOption group(QStringLiteral("group"),
                                   QStringLiteral("Name of the group table of contents keyboard "
                                                  "(default: \"New Keyboard List\")."),
                                   QStringLiteral("name"), QStringLiteral("New Keyboard List"));
    parser.addOption(group);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("The word-list text file to import."));

    auto usageError = [&](const QString &message) {
        err << "wordloom: " << message << "\n"
            << "Usage: wordloom [--group NAME] FILE (wordloom --help tells more)\n";
        err.flush();
        return 2;
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        out << parser.helpText();
        return 0;
    }
    if (parser.isSet(version)) {
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion()
            << '\n';
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return usageError(
                files.isEmpty()
                        ? QStringLiteral("no word-list file given")
                        : QStringLiteral("give one word-list file, not %1").arg(files.size()));

    const QFileInfo input(files.first());
    WordImport::Import import(input.filePath(), parser.value(group), input.absolutePath());
    import.writeAll();
    for (const QString &path : import.written())
        out << QDir::toNativeSeparators(path) << '\n';
    out.flush();
    if (!import.error().isEmpty()) {
        err << "wordloom: " << import.error() << '\n';
        return 1;
    }
    out << WordImport::closingMessage() << '\n';
    return 0;
}

} // namespace Wordloom
