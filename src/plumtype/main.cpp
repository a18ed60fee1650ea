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
    return QDir(QCoreApplication::applicationDirPath())
            .absoluteFilePath(QStringLiteral("../share/plumtype"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("plumtype"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PLUMTYPE_VERSION));

    // The program folder is the user's data folder: the shipped files that
    // are missing there are copied in; nothing the user has is overwritten.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const ProgramFolder::Result laidOut = ProgramFolder::layOut(shippedData(), folder);
    for (const QString &failed : laidOut.failed)
        QTextStream(stderr) << "plumtype: could not copy " << failed << " to " << folder << '\n';

    Form1 window(folder);
    window.show();
    return app.exec();
}
