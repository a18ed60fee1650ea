// The program that Plumtype types into in the end-to-end tests: one text
// field that keeps its text in a file, written anew (UTF-8, LF line breaks)
// on every change, and a second file that says whether the window has the
// keyboard focus ("active" or "inactive"), written whenever that changes.
//
//   receiver TEXT-FILE FOCUS-FILE [password]
//
// With "password" the window is a login form instead: a user name field,
// which has the focus first and keeps its text in TEXT-FILE.user, and below
// it a password field that shows dots and keeps its text in TEXT-FILE.  The
// field with the focus is named in TEXT-FILE.field ("user" or "password").
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>
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

    QObject::connect(&app, &QGuiApplication::applicationStateChanged, [&](Qt::ApplicationState s) {
        writeFile(focusPath, s == Qt::ApplicationActive ? "active" : "inactive");
    });
    writeFile(textPath, QByteArray());
    writeFile(focusPath, "inactive");

    if (args.size() > 3 && args.at(3) == u"password") {
        QWidget form;
        form.setWindowTitle(QStringLiteral("Receiver"));
        auto *layout = new QVBoxLayout(&form);
        auto *user = new QLineEdit(&form);
        auto *password = new QLineEdit(&form);
        password->setEchoMode(QLineEdit::Password);
        layout->addWidget(user);
        layout->addWidget(password);
        const QString userPath = textPath + QStringLiteral(".user");
        writeFile(userPath, QByteArray());
        QObject::connect(user, &QLineEdit::textChanged,
                         [&](const QString &now) { writeFile(userPath, now.toUtf8()); });
        QObject::connect(password, &QLineEdit::textChanged,
                         [&](const QString &now) { writeFile(textPath, now.toUtf8()); });
        const QString fieldPath = textPath + QStringLiteral(".field");
        QObject::connect(&app, &QApplication::focusChanged, [&](QWidget *, QWidget *now) {
            if (now == user || now == password)
                writeFile(fieldPath, now == user ? "user" : "password");
        });
        form.resize(400, 100);
        form.show();
        form.activateWindow();
        user->setFocus();
        return app.exec();
    }

    QPlainTextEdit edit;
    edit.setWindowTitle(QStringLiteral("Receiver"));
    edit.resize(400, 200);
    QObject::connect(&edit, &QPlainTextEdit::textChanged,
                     [&] { writeFile(textPath, edit.toPlainText().toUtf8()); });
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    return app.exec();
}
