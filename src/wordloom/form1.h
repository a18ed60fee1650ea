#pragma once

// Wordloom's window: pick a word-list file in the folder, name the group
// keyboard and start the import.  The import itself is WordImport in the
// core; the window writes its keyboards a few at a time so that it stays
// responsive and shows the progress.  Once every keyboard is written it shows
// the closing message and closes, which ends the program.

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace WordImport {
class Import;
}

namespace Wordloom {

class Form1 : public QWidget
{
    Q_OBJECT
public:
    // `folder` holds the word-list files and receives the keyboards; it is
    // made when missing.
    explicit Form1(const QString &folder, QWidget *parent = nullptr);
    ~Form1() override;

    QString folder() const { return m_folder; }
    bool importing() const { return m_import != nullptr; }

    // Shows a plain message box and waits for OK.  Tests replace it so that
    // nothing waits on a message box.
    std::function<void(const QString &)> msgBoxSeam;

    // ---- controls ----
    QLabel *Label3 = nullptr;
    QLabel *Label2 = nullptr;
    QListWidget *File1 = nullptr;
    QLabel *folderLabel = nullptr; // where the files are, for the user to find them
    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    QProgressBar *progressBar = nullptr;

    // File1 lists the folder's "*.txt" files in name order, keeping the
    // chosen one where it is still there.
    void refreshFiles();

    // ---- handlers ----
    void File1_Click();
    void Command1_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void importStep();
    void setBusy(bool busy);

    QString m_folder;
    std::unique_ptr<WordImport::Import> m_import;
    QTimer m_steps;
    QFileSystemWatcher m_watcher;
};

} // namespace Wordloom
