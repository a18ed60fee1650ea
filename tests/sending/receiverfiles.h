#pragma once

// The receiver's files, as the end-to-end tests read them: its text and
// whether it has the focus.

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

inline QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Waits until the file holds `expected`; returns what it holds at the end.
inline QString waitForFile(const QString &path, const QString &expected, int ms = 5000)
{
    const QDeadlineTimer deadline(ms);
    QString now = readFile(path);
    while (now != expected && !deadline.hasExpired()) {
        QTest::qWait(10);
        now = readFile(path);
    }
    return now;
}
