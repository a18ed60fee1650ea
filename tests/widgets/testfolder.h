#pragma once

// A temporary program folder for driving the real window: laid out from the
// shipped data like a first start, with keyboards of the test's own on top.

#include "form1.h"
#include "programfolder.h"
#include "textfile.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestFolder
{
public:
    TestFolder()
    {
        ProgramFolder::layOut(qEnvironmentVariable("PLUMTYPE_DATA"), path());
        // The settings file is the test's own too: a developer's settings
        // (dwell or scanning turned on) must not reach the tests.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           file(QStringLiteral("config")));
    }

    QString path() const { return m_dir.path(); }
    QString file(const QString &relative) const { return m_dir.filePath(relative); }

    // Writes a keyboard file from its lines (CR LF added).
    void keyboard(const QString &name, const QStringList &lines) const
    {
        QDir(path()).mkpath(QStringLiteral("Keyboards"));
        TextFile::write(file(QStringLiteral("Keyboards/") + name), TextFile::joinLines(lines));
    }

    // Starts the window on this folder and waits for the home keyboard.
    // Tests that do not look at the splash picture skip its pause.
    std::unique_ptr<Form1> start(int splashMs = 100) const
    {
        auto w = std::make_unique<Form1>(path());
        w->msgBoxSeam = [](const QString &) {};
        w->splashMs = splashMs;
        w->show();
        if (!QTest::qWaitFor([&] { return !w->starting && !w->loadingmap && w->lastbutton > 1; },
                             5000))
            qWarning("the home keyboard did not load");
        return w;
    }

private:
    QTemporaryDir m_dir;
};
