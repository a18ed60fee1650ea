// Editing one key in edit mode: a click selects it, the key box Text2 covers
// it with its text, the panel shows its button type; "Save Edit" gives the key
// the typed text and the chosen type.  The arrows swap it with its
// neighbours, "Add Button" appends an empty key, and a click into the key-text
// box lets the on-screen letter keyboard type the key's text.
#include "form1.h"

#include "editorrules.h"
#include "facetext.h"
#include "surface/twips.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

namespace {

QColor fromBgr(quint32 bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

void setBoxColour(TextBox *box, quint32 bgr)
{
    QPalette p = box->palette();
    p.setColor(QPalette::Base, fromBgr(bgr));
    box->setPalette(p);
}

bool isEditLetters(const QString &fileName)
{
    return fileName == u"EditLettersLower.kbd" || fileName == u"EditLettersUpper.kbd";
}

} // namespace

void Form1::paintKey(FaceButton *key, const QString &text, quint32 colour)
{
    Picture1->resize(Command1(1)->size());
    key->setBackColor(fromBgr(colour));
    buttons(key, text, 0, colour);
}

void Form1::placeEditorButtons(bool keyEdit)
{
    // In their own place "Stop Editing" and "Add Button" would cover half
    // of the button types; during a key edit they stand right of the arrows.
    if (keyEdit) {
        const double left =
                Twips::left(Frame1) + Twips::left(Command5) + Twips::width(Command5) + 120;
        const double width =
                std::clamp(Twips::left(Frame1) + Twips::width(Frame1) - left - 120, 600.0, 3015.0);
        Twips::setGeometry(Command8, left, Twips::top(Frame1) + 360, width, 390);
        Twips::setGeometry(Command7, left, Twips::top(Frame1) + 840, width, 390);
    } else {
        Twips::setGeometry(Command8, 120, 600, 3015, 390);
        Twips::setGeometry(Command7, 3240, 600, 3015, 390);
    }
    Picture1->resize(Command8->size());
    buttons(Command8, QStringLiteral("Stop Editing"), 0, FaceText::kEditorColour);
    buttons(Command7, QStringLiteral("Add Button"), 0, FaceText::kEditorColour);
    Picture1->resize(Command1(1)->size());
}

void Form1::selectKeyForEditing(int Index)
{
    FaceButton *key = Command1(Index);
    disableSuggestions();
    moveindex = Index;
    Option2->setChecked(true);
    addbutton->setEnabled(false);
    Savekeyboard->setEnabled(false);
    Frame1->show();
    QuitEdit->setEnabled(false);
    Text2->raise();

    const QString &whole = keyinfo[Index];
    Text2->setText(whole.isEmpty() ? key->ToolTipText : whole);
    const int preset = EditorRules::presetOption(key->Tag, key->ToolTipText);
    QRadioButton *const options[] = { Option1, Option2, Option3, Option4,  Option5,  Option6,
                                      Option7, Option8, Option9, Option10, Option11, Option12 };
    options[preset - 1]->setChecked(true);
    setBoxColour(Text2, EditorRules::buttonType(preset)->boxColour);

    if (!EditorRules::canEdit(key->ToolTipText)) {
        Frame1->hide();
        placeEditorButtons(false);
        QuitEdit->setEnabled(true);
        addbutton->setEnabled(true);
        Savekeyboard->setEnabled(true);
        Text2->hide();
        return;
    }
    placeEditorButtons(true);
    Text2->show();
    Text2->move(key->pos());
    Text2->raise();
    Text2->setFocus();

    // The wait ends with "Save Edit", when edit mode is left, or when the
    // window closes; a key clicked meanwhile starts its own edit inside this one.
    estop = false;
    const int session = m_editSession;
    if (!editorWait([&] { return estop || m_editSession != session; }))
        return;
    Frame1->hide();
    placeEditorButtons(false);
    Savekeyboard->setEnabled(true);
    const bool applies = eMode && m_editSession == session;
    if (m_editSession == session) {
        addbutton->setEnabled(true);
        QuitEdit->setEnabled(true);
    }
    if (applies) {
        int chosen = 2;
        for (int option : EditorRules::kApplyOrder) {
            if (options[option - 1]->isChecked()) {
                chosen = option;
                break;
            }
        }
        const std::optional<EditorRules::KeyEdit> edit =
                EditorRules::applyEdit(chosen, Text2->Text());
        FaceButton *target = Command1(moveindex);
        if (edit && target) {
            keyinfo[moveindex] = edit->keyInfo;
            target->ToolTipText = edit->toolTip;
            target->Tag = edit->kind;
            paintKey(target, edit->toolTip, edit->colour);
        }
    }
    Text2->hide();
}

void Form1::optionClick(int option)
{
    const std::optional<EditorRules::ButtonType> type = EditorRules::buttonType(option);
    if (!type)
        return;
    QRadioButton *const options[] = { Option1, Option2, Option3, Option4,  Option5,  Option6,
                                      Option7, Option8, Option9, Option10, Option11, Option12 };
    options[option - 1]->setChecked(true);
    setBoxColour(Text2, type->boxColour);
    if (!type->fixedText.isEmpty())
        Text2->setText(type->fixedText);
}

void Form1::Command3_Click()
{
    moveSelected(static_cast<int>(EditorRules::Arrow::Up));
}

void Form1::Command4_Click()
{
    moveSelected(static_cast<int>(EditorRules::Arrow::Left));
}

void Form1::Command5_Click()
{
    moveSelected(static_cast<int>(EditorRules::Arrow::Right));
}

void Form1::Command6_Click()
{
    moveSelected(static_cast<int>(EditorRules::Arrow::Down));
}

void Form1::moveSelected(int arrow)
{
    // The arrows belong to a key edit, and key-text entry hides them.
    if (Frame1->isHidden() || keytextentry)
        return;
    const std::optional<int> target =
            EditorRules::moveTarget(moveindex, static_cast<EditorRules::Arrow>(arrow), lastbutton);
    if (!target)
        return;
    FaceButton *s = Command1(moveindex);
    FaceButton *t = Command1(*target);
    std::swap(s->ToolTipText, t->ToolTipText);
    std::swap(s->Tag, t->Tag);
    Text2->move(t->pos());
    // The displaced key shows its output text at its new place; the moved
    // key lies under the key box until "Save Edit" paints it.
    paintKey(s, s->ToolTipText, EditorRules::kindColour(s->Tag));
    movepending = true;
    moveindex = *target;
}

void Form1::addbutton_Click()
{
    const std::optional<EditorRules::AddedKey> added = EditorRules::addKey(lastbutton, xpos, ypos);
    if (!added)
        return;
    lastbutton = added->index;
    xpos = added->column;
    ypos = added->row;
    FaceButton *anchor = Command1(1);
    FaceButton *key = Command1(added->index);
    Twips::setLeft(key, Twips::left(anchor) + Twips::width(anchor) * (added->column - 1));
    Twips::setTop(key, Twips::top(anchor) + Twips::height(anchor) * (added->row - 1));
    key->ToolTipText.clear();
    key->Tag = added->kind;
    paintKey(key, QString(), added->colour);
    key->TabIndex = added->index;
    key->setEnabled(true);
    key->show();
    key->raise();
}

void Form1::Text3_Click()
{
    // A click into the box while its text is being typed changes nothing.
    if (Frame1->isHidden() || keytextentry || isEditLetters(FileName))
        return;
    LockMenu();
    Label1->hide();
    for (QToolButton *arrow : { Command3, Command4, Command5, Command6 }) {
        arrow->setEnabled(false);
        arrow->hide();
    }
    eMode = false;
    keytextdone = false;
    Text2->hide();
    Text3->setText(Text2->Text());
    keytextentry = true;
    m_keyTextFileName = FileName;
    savetmpmap();
    loadmap(keyboardPath(QStringLiteral("EditLettersLower.kbd")));

    const int session = m_editSession;
    if (!editorWait([&] { return keytextdone || m_editSession != session; }))
        return;
    // Leaving edit mode ended the entry: the keyboard and the menus are as
    // leaving put them.
    if (m_editSession != session)
        return;
    keytextentry = false;
    eMode = true;
    loadmap(workingCopyPath());
    FileName = m_keyTextFileName;
    if (FaceButton *last = Command1(keytextlast); last && last->isVisible())
        last->setFocus();
    Text2->show();
    UnLockMenu();
}
