// Wordloom turns a text file of titled word lists into keyboard files for
// Plumtype.  With no arguments it opens its window on Plumtype's own folder;
// with arguments it imports from the command line (see commandline.h).

#include "commandline.h"
#include "form1.h"
#include "pictograms.h"

#include <QApplication>
#include <QIcon>
#include <QStandardPaths>
#include <QTextStream>

namespace {

// Plumtype's program folder: its application data folder.  The keyboards
// land there, beside its Keyboards folder, for the user to move in.
QString plumtypeFolder()
{
    const QString own = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("plumtype"));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCoreApplication::setApplicationName(own);
    return folder;
}

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("wordloom"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PLUMTYPE_VERSION));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1) {
        // No window, and no display needed.
        QCoreApplication app(argc, argv);
        nameApplication();
        QTextStream out(stdout);
        QTextStream err(stderr);
        return Wordloom::runCommandLine(app.arguments(), out, err);
    }
    QApplication app(argc, argv);
    nameApplication();
    QGuiApplication::setDesktopFileName(QStringLiteral("org.plumtype.Wordloom"));
    QGuiApplication::setWindowIcon(
            QPixmap::fromImage(Pictograms::draw(QStringLiteral("wordloom"), QSize(64, 64))));
    Wordloom::Form1 window(plumtypeFolder());
    window.show();
    return app.exec();
}
