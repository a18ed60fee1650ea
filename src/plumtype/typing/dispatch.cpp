// What a click on a key of the keyboard does: key-text entry for the editor,
// edit mode, words with sentence-start capitals, text keys with the shift back
// from capitals, suffixes, command keys and keyboard links; and the steps that
// finish every click.
#include "form1.h"

#include "folderlookup.h"
#include "keyboardfile.h"
#include "textrules.h"
#include "typingrules.h"

#include <QFileInfo>
#include <QMenu>

using TypingRules::Edit;

namespace {

constexpr quint32 kSuggestionColour = 0x00FFFFC0;

} // namespace

void Form1::Command1_Click(int Index)
{
    FaceButton *key = Command1(Index);
    if (!key)
        return;
    if (keytextentry) {
        keytextlast = Index;
        keyTextEntryClick(Index);
        return;
    }
    if (movepending)
        return;
    tp = 0;
    if (eMode) {
        selectKeyForEditing(Index);
        return;
    }
    for (int i = 0; i < 4; ++i)
        WordSelect(i)->setEnabled(true);

    const QString tag = key->Tag;
    const QString keyText = key->ToolTipText;
    if (tag.left(4) == u"word") {
        const Edit e = TypingRules::insertWord(Text1->Text(), Text1->SelStart(), Text1->SelLength(),
                                               keyText);
        tp = e.tp;
        if (e.clearSuggestions)
            clearSuggestionRow();
        Text1->setText(e.text);
    } else if (tag == u"letter") {
        if (isCommandKey(keyText)) {
            if (commandKey(Index, keyText) == ClickEnd::Ends)
                return;
        } else {
            const Edit e = TypingRules::insertText(Text1->Text(), Text1->SelStart(),
                                                   Text1->SelLength(), keyText);
            tp = e.tp;
            Text1->setText(e.text);
            // A letter typed on the capitals goes back to small letters,
            // unless caps lock is on.
            if (!capslock.toBool() && FileName.contains(QLatin1String("LettersUpper")))
                loadmap(keyboardPath(QStringLiteral("LettersLower.kbd")));
        }
    } else if (tag == u"extend") {
        // With nothing before the caret there is nothing to glue to: the text
        // stays and the click finishes.
        const Edit e = TypingRules::insertSuffix(Text1->Text(), Text1->SelStart(),
                                                 Text1->SelLength(), keyText);
        tp = e.tp;
        if (e.ok) {
            Text1->setText(e.text);
            if (e.clearSuggestions)
                clearSuggestionRow();
        }
    } else if (tag == u"keyboard") {
        switchKeyboard(keyText);
        return;
    }
    finishClick();
}

void Form1::switchKeyboard(const QString &keyText)
{
    capslock = false;
    QString name = TextRules::trimSpaces(keyText);
    name.remove(u' ');
    // A name that would lead out of the Keyboards folder is never a file there.
    const QString path = keyboardPath(name + QLatin1String(".kbd"));
    if (!KeyboardFile::linkFileName(keyText).isEmpty() && fileexists(path)) {
        loadmap(path);
        return;
    }
    okayprompt(QStringLiteral("Keyboard File: '") + name
               + QStringLiteral(".kbd' Not Found!\r\nUse Edit Mode to make sure this button text "
                                "matches the correct Keyboard file name."));
}

void Form1::finishClick()
{
    if (TextRules::trimSpaces(Text1->Text()).isEmpty() || eMode) {
        clearSuggestionRow();
    } else {
        suggest(typedword);
        typedword = TypingRules::stripTypedWord(typedword);
    }
    Text1->setSelStart(TypingRules::caretFor(Text1->Text(), tp));
    // The window was closed while a prompt of this click waited.
    if (killme) {
        close();
        return;
    }
    Text1->setFocus();
}

void Form1::keyTextEntryClick(int Index)
{
    FaceButton *key = Command1(Index);
    if (key->Tag == u"letter") {
        const QString keyText = key->ToolTipText;
        const Edit e = TypingRules::keyTextEntry(Text3->Text(), Text3->SelStart(),
                                                 Text3->SelLength(), keyText);
        if (keyText == u"[lock]" || keyText == u"[unlock]") {
            tp = e.tp;
            toggleLock(key);
        } else if (e.ended) {
            // One character before the caret: it goes, and so does the caret
            // restore.
            Text3->setText(e.text);
            tp = 0;
            return;
        } else {
            tp = e.tp;
            Text3->setText(e.text);
            if (!keyText.isEmpty() && keyText != u"[back]" && !capslock.toBool()
                && FileName.contains(QLatin1String("EditLettersUpper")))
                loadmap(keyboardPath(QStringLiteral("EditLettersLower.kbd")));
        }
    } else if (key->Tag == u"keyboard") {
        switchKeyboard(key->ToolTipText);
        return;
    }
    Text3->setSelStart(TypingRules::caretFor(Text3->Text(), tp));
    Text3->setFocus();
}

void Form1::toggleLock(FaceButton *key)
{
    if (key->ToolTipText == u"[lock]") {
        key->ToolTipText = QStringLiteral("[unlock]");
        capslock = true;
        buttons(key, QStringLiteral("[unlock]"), 0, 0x00FFFFFF);
    } else {
        key->ToolTipText = QStringLiteral("[lock]");
        capslock = QVariant();
        buttons(key, QStringLiteral("[lock]"), 0, 0x00FFFFFF);
    }
}

void Form1::clearSuggestionRow()
{
    for (int i = 0; i < 4; ++i) {
        buttons(WordSelect(i), QString(), 0, kSuggestionColour);
        WordSelect(i)->ToolTipText.clear();
    }
    disableSuggestions();
}

void Form1::disableSuggestions()
{
    for (int i = 0; i < 4; ++i)
        WordSelect(i)->setEnabled(false);
}

bool Form1::gameRunning() const
{
    return !dogame->menuAction()->isEnabled();
}

void Form1::updateTitle()
{
    if (KeyboardFile::isSystemKeyboard(FileName))
        return;
    const QString text = Text1->Text();
    setWindowTitle(QStringLiteral("Plumtype - ") + FileName + QStringLiteral(" - (")
                   + QString::number(text.isEmpty() ? 0 : wordcount(text)) + u')');
}
