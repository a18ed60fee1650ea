#include "form1.h"

#include "programfolder.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTextStream>

namespace {

// The files shipped with the program: share/plumtype beside the bin folder,
// or the folder PLUMTYPE_DATA names.
QString shippedData()
{
    const QString fromEnv = qEnvironmentVariable("PLUMTYPE_DATA");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QDir::cleanPath(QCoreApplication::applicationDirPath()
                           + QStringLiteral("/../share/plumtype"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("plumtype"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PLUMTYPE_VERSION));

    // The program folder is the user's data folder: the shipped files that
    // are missing there are copied in; nothing the user has is overwritten.
    // When that folder cannot be made or written, the shipped folder serves,
    // and nothing is saved.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const ProgramFolder::Choice choice = ProgramFolder::choose(shippedData(), folder);
    // One line, however many files could not be copied.
    if (!choice.readOnlyReason.isEmpty()) {
        QTextStream(stderr) << "plumtype: nothing can be saved: " << choice.readOnlyReason << '\n';
    } else if (!choice.laidOut.failed.isEmpty()) {
        QTextStream(stderr) << "plumtype: " << choice.laidOut.failed.size()
                            << " shipped files could not be copied to " << folder << '\n';
    }

    Form1 window(choice.folder, choice.readOnlyReason);
    window.show();
    return app.exec();
}
