#pragma once

// One Plumtype a program folder: the first start holds a lock file in the
// folder (a crashed Plumtype leaves it stale, and the next start takes it
// over) and listens on a Unix socket named after the folder; a second start
// asks the first to bring its window forward, and ends.  Plain sockets keep
// the networking library, and the libraries it brings, out of the start.

#include <QHash>
#include <QObject>
#include <QString>

class QLockFile;
class QSocketNotifier;
class QWidget;

namespace Instance {

enum class FolderClaim { Ours, Running, Unanswered, Unlocked };

// The socket of the Plumtype that holds `folder`: in the user's runtime
// folder, or else in the temporary folder with the user's number in its name.
QString socketPath(const QString &folder);

// Takes the folder's lock.  When another Plumtype holds it and `askFirst` is
// true, asks that one to bring its window forward (Running), waiting a few
// seconds for one that is still starting (else Unanswered).  Unlocked: the
// folder cannot be written, and no lock can be had.
FolderClaim claimFolder(QLockFile &lock, const QString &socket, bool askFirst);

// Shows and raises the window; it takes the focus only where it may.
void bringForward(QWidget *window);

// The first start's side: answers every second start of the same user by
// bringing `window` forward.  The socket goes when this does.
class SecondStarts : public QObject
{
    Q_OBJECT
public:
    SecondStarts(const QString &socket, QWidget *window);
    ~SecondStarts() override;

    bool isListening() const { return m_listener >= 0; }
    QString errorString() const { return m_error; }

private:
    void acceptCallers();
    void readCaller(int fd);
    void dropCaller(int fd);

    QString m_path;
    QWidget *m_window;
    int m_listener = -1;
    QString m_error;
    struct Caller
    {
        QSocketNotifier *notifier = nullptr;
        QByteArray said;
    };
    QHash<int, Caller> m_callers;
};

} // namespace Instance
