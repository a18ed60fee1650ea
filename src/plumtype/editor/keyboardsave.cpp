// Keyboards as files: the working copy that lets the editor show another
// keyboard for a while and get the edited one back, saving the edited
// keyboard under a name typed on the keyboard, and a new blank keyboard.
#include "form1.h"

#include "editorrules.h"
#include "folderlookup.h"
#include "keyboardfile.h"
#include "surface/twips.h"
#include "textfile.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const QString kWorkingCopy = QStringLiteral("tmpkb.kbd");
const QString kSaveError = QStringLiteral(
        "There was an issue saving this file. Try saving agin with a different file name.");

// Where a window keeps its working copy when the program folder cannot take
// it: a folder of its own in a temporary folder of the process.
QString privateFolder(const void *window)
{
    static QTemporaryDir dir;
    const QString folder = dir.filePath(QString::number(reinterpret_cast<quintptr>(window), 16));
    QDir().mkpath(folder);
    return folder;
}

} // namespace

QString Form1::workingCopyPath() const
{
    return m_workingCopy.isEmpty() ? programPath(kWorkingCopy) : m_workingCopy;
}

namespace {

// The keys on screen as the keyboard file holds them.
QString keysAsText(const ControlArray<FaceButton, 1, 121> &keys)
{
    QList<KeyboardFile::KeyOut> out;
    for (int i = 2; i <= keys.last(); ++i) {
        if (const FaceButton *key = keys(i))
            out.append({ key->Tag, key->ToolTipText });
    }
    return TextFile::joinLines(KeyboardFile::write(out));
}

} // namespace

bool Form1::savetmpmap()
{
    const QString text = keysAsText(Command1);
    if (canSave()) {
        const QString path = programPath(kWorkingCopy);
        if (TextFile::write(path, text)) {
            m_workingCopy = path;
            return true;
        }
    }
    m_workingCopy = privateFolder(this) + u'/' + kWorkingCopy;
    TextFile::write(m_workingCopy, text);
    return false;
}

void Form1::Savekeyboard_Click()
{
    // Chosen from the menu in edit mode, the save first puts the typing area
    // back as leaving edit mode does: the name is typed there, with keys that
    // type.
    const bool fromEditMode = eMode;
    if (fromEditMode)
        leaveEditing();
    const QString kept = FileName;
    if (!savetmpmap() && canSave()) {
        // Without a working copy the edited keyboard could not be brought
        // back after the name entry: nothing is saved.
        okayprompt(QStringLiteral("This keyboard cannot be saved: Plumtype could not write its "
                                  "working copy ")
                   + kWorkingCopy
                   + QStringLiteral(" in its folder. No keyboard file has been changed."));
        if (killme)
            return;
        loadmap(workingCopyPath());
        FileName = kept;
    } else {
        savekbdname(kept);
    }
    if (fromEditMode)
        endEditingAfterSave();
}

void Form1::savekbdname(const QString &inworkkbd)
{
    if (!canSave()) {
        LockMenu();
        saveFailed(kSaveError, Text1->Text(), inworkkbd);
        return;
    }
    NameRequest request;
    request.prompt = QStringLiteral("Enter keyboard name then press return: ");
    request.defaultName = inworkkbd;
    request.defaultName.remove(QLatin1String(".kbd"));
    request.folder = programPath(QStringLiteral("Keyboards"));
    request.extension = QStringLiteral(".kbd");
    request.overwriteQuestion = QStringLiteral("Keyboard exists! Do you want to overwrite it?");
    request.keepDefault = true;
    const std::optional<NameAnswer> answer = askName(request);
    if (killme)
        return;
    if (!answer) {
        // Cancelled: its message was shown and the typing area restored; the
        // edited keyboard comes back in edit mode.
        loadmap(workingCopyPath());
        FileName = inworkkbd;
        EditMode_Click();
        return;
    }
    writeKeyboard(answer->name, answer->path, answer->remembered, inworkkbd);
}

void Form1::writeKeyboard(const QString &name, const QString &path, const QString &remembered,
                          const QString &inworkkbd)
{
    // The edited keyboard comes back from the working copy, with the edit
    // key its load adds, and is written from the keys on screen.  The file
    // is replaced whole or not at all.
    loadmap(workingCopyPath());
    if (!FolderLookup::isPlainName(QFileInfo(path).fileName())
        || !TextFile::write(path, keysAsText(Command1))) {
        saveFailed(kSaveError, remembered, inworkkbd);
        return;
    }
    Text1->setText(remembered);
    okayprompt(QStringLiteral("Keyboard: '") + name + QStringLiteral("' has been saved."));
    if (killme)
        return;
    FileName = name;
    loadmap(path);
    UnLockMenu();
}

void Form1::saveFailed(const QString &message, const QString &remembered, const QString &inworkkbd)
{
    Text1->setText(remembered);
    okayprompt(message);
    if (killme)
        return;
    loadmap(workingCopyPath());
    FileName = inworkkbd;
    UnLockMenu();
}

void Form1::mnuBlank_Click()
{
    quitgame = true;
    Text4->hide();
    clearmap();
    FaceButton *anchor = Command1(1);
    const double w = Twips::width(anchor);
    const double h = Twips::height(anchor);
    ypos = 1;
    xpos = 0;
    // No key of the blank keyboard, nor one added to it, has a label part.
    for (int i = 2; i <= 121; ++i)
        keyinfo[i].clear();
    const QList<EditorRules::BlankKey> keys = EditorRules::blankKeyboard();
    for (int n = 0; n < keys.size(); ++n) {
        const int i = n + 2;
        FaceButton *key = Command1(i);
        ++xpos;
        key->show();
        key->setEnabled(true);
        Twips::setLeft(key, Twips::left(anchor) + w * (xpos - 1));
        Twips::setTop(key, Twips::top(anchor) + h * (ypos - 1));
        key->TabIndex = i;
        key->raise();
        key->ToolTipText = keys.at(n).text;
        key->Tag = keys.at(n).kind;
        paintKey(key, keys.at(n).text, keys.at(n).colour);
        if (xpos == KeyboardFile::kRowLength) {
            xpos = 0;
            ++ypos;
        }
    }
    lastbutton = static_cast<int>(keys.size()) + 1;
    FileName = QStringLiteral("New");
    updateTitle();
}
