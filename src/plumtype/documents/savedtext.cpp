// Keeping what was typed: saving the typing area as a text file under a name
// typed on the keyboard, opening a saved text through the picker, and
// opening a keyboard file through the file dialog.
#include "form1.h"

#include "folderlookup.h"
#include "sending/programtyping.h"
#include "surface/dialog.h"
#include "textfile.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>

void Form1::FileSave_Click()
{
    quitgame = true;
    Text4->hide();
    QString defaultName = SaveFileName;
    defaultName.remove(QLatin1String(".txt"));
    const std::optional<NameAnswer> answer =
            askName({ QStringLiteral("Enter save file name then press return: "), defaultName,
                      programPath(QStringLiteral("SavedText")), QStringLiteral(".txt"),
                      QStringLiteral("File exists! Do you want to overwrite it?"), true });
    if (!answer)
        return;
    SaveFileName = answer->name;
    // The text goes in whole or not at all: a failed write leaves any old
    // file as it was.
    const bool saved =
            canSave() && TextFile::write(answer->path, answer->remembered + QLatin1String("\r\n"));
    if (!saved) {
        Text1->setText(answer->remembered);
        okayprompt(QStringLiteral("There was an issue saving this file. Try saving agin with a "
                                  "different file name."));
        UnLockMenu();
        return;
    }
    okayprompt(QStringLiteral("File: '") + answer->name + QStringLiteral("' has been saved."));
    if (killme)
        return;
    Text1->setText(answer->remembered);
    learnAtCommit();
    UnLockMenu();
}

void Form1::FileOpen_Click()
{
    quitgame = true;
    Text4->hide();
    dialog->folder = programPath(QStringLiteral("SavedText"));
    dialog->OpenFile.clear();
    // The main window takes no clicks while the picker is open; the picker,
    // a window of its own, does.
    centralWidget()->setEnabled(false);
    menuBar()->setEnabled(false);
    programTyping->keepFocusOff(dialog);
    dialog->show();
    {
        QEventLoop loop;
        connect(dialog, &Dialog::answered, &loop, &QEventLoop::quit);
        connect(this, &Form1::closing, &loop, &QEventLoop::quit);
        while (dialog->OpenFile.isEmpty() && !killme)
            loop.exec();
    }
    if (killme)
        return;
    centralWidget()->setEnabled(true);
    menuBar()->setEnabled(true);
    const QString chosen = dialog->OpenFile.trimmed();
    if (chosen.isEmpty())
        return;
    const QFileInfo info(chosen);
    bool whole = false;
    const std::optional<QString> text =
            TextFile::read(FolderLookup::resolve(info.absolutePath(), info.fileName()),
                           TextFile::kLargestSavedText, &whole);
    if (!text) {
        // The typing area keeps what it had.
        okayprompt(QStringLiteral("The file '") + info.fileName()
                   + QStringLiteral("' could not be opened."));
        return;
    }
    if (!whole) {
        okayprompt(QStringLiteral("The file '") + info.fileName()
                   + QStringLiteral("' is too large to open here: Plumtype opens saved texts "
                                    "of up to 1 MB."));
        return;
    }
    const QStringList lines = TextFile::splitLines(*text);
    // Every line comes back with its line break: one more at the end than
    // the saved text had.
    Text1->setText(TextFile::joinLines(lines));
    // An opened text was written before: it is not learned again.
    learnFrom(Text1->Text());
    SaveFileName = info.fileName();
    tp = static_cast<int>(Text1->Text().size());
    Text1->setSelStart(tp);
    Text1->setFocus();
}

void Form1::FileLoad_Click()
{
    const QString folder = programPath(QStringLiteral("Keyboards"));
    const QString title = QStringLiteral("Open a Keyboard File");
    const QString filter = QStringLiteral("Keyboard Files (*.kbd)");
    const QString chosen = fileDialogSeam
                                   ? fileDialogSeam(title, folder, filter)
                                   : QFileDialog::getOpenFileName(this, title, folder, filter);
    if (chosen.isEmpty())
        return;
    loadmap(chosen);
    FileName = QFileInfo(chosen).fileName();
}
