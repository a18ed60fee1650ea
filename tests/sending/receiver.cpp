// The program that Plumtype types into in the end-to-end tests: one text
// field that keeps its text in a file, written anew (UTF-8, LF line breaks)
// on every change, and a second file that says whether the window has the
// keyboard focus ("active" or "inactive"), written whenever that changes.
//
//   receiver TEXT-FILE FOCUS-FILE
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QWindow>

#include <cstdio>

namespace {

// A whole file or none for the test to read: written beside, then renamed
// over (no sync to disk, which would slow the typing down).
void writeFile(const QString &path, const QByteArray &bytes)
{
    const QString part = path + QStringLiteral(".part");
    QFile file(part);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(bytes);
    file.close();
    std::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const QString textPath = args.at(1);
    const QString focusPath = args.at(2);

    QPlainTextEdit edit;
    edit.setWindowTitle(QStringLiteral("Receiver"));
    edit.resize(400, 200);
    QObject::connect(&edit, &QPlainTextEdit::textChanged,
                     [&] { writeFile(textPath, edit.toPlainText().toUtf8()); });
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, [&](Qt::ApplicationState s) {
        writeFile(focusPath, s == Qt::ApplicationActive ? "active" : "inactive");
    });
    writeFile(textPath, QByteArray());
    writeFile(focusPath, "inactive");
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    return app.exec();
}
