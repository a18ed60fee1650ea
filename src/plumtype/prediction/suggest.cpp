// The four suggestion buttons: filled from the word lists for the word being
// typed, and a click puts the chosen word in place of it.
#include "form1.h"

#include "textrules.h"
#include "typingrules.h"
#include "wordlists.h"

namespace {

constexpr quint32 kSuggestionColour = 0x00FFFFC0;

} // namespace

void Form1::suggest(QString &currentword)
{
    if (editmode || suggestionsHeld())
        return;
    for (int i = 0; i < 4; ++i) {
        buttons(WordSelect(i), QString(), 0, kSuggestionColour);
        WordSelect(i)->ToolTipText.clear();
        WordSelect(i)->setEnabled(false);
    }
    // With learning on, the learned words and pairs come first, and right
    // after a space the next word may be offered.
    bool nextWord = false;
    const std::optional<QStringList> learned = learnedRow(currentword, &nextWord);
    if (currentword.isEmpty() && !nextWord)
        return;
    currentword.replace(QLatin1String("\r\n"), QLatin1String(" "));
    Picture1->resize(WordSelect(0)->size());

    const QStringList offered = learned ? *learned : WordLists::suggest(wordlists, currentword);
    for (int b = 0; b < offered.size(); ++b) {
        FaceButton *button = WordSelect(b);
        // The face adds the space that a click types behind the word.
        QString caption = offered.at(b);
        buttons(button, caption, 0, kSuggestionColour);
        button->TabIndex = b + 1;
        button->setEnabled(true);
        button->show();
        button->ToolTipText = caption;
        // A next word goes in as a word key's would.
        button->Tag = nextWord ? QStringLiteral("next") : QString();
        button->raise();
    }
    for (int i = static_cast<int>(offered.size()); i < 4; ++i) {
        if (TextRules::trimSpaces(WordSelect(i)->ToolTipText).isEmpty())
            WordSelect(i)->setEnabled(false);
    }
    Picture1->resize(Command1(1)->size());
}

void Form1::WordSelect_Click(int Index)
{
    if (editmode || TextRules::trimSpaces(WordSelect(Index)->ToolTipText).isEmpty())
        return;
    for (int i = 0; i < 4; ++i)
        WordSelect(i)->setEnabled(true);
    if (WordSelect(Index)->Tag == u"next") {
        insertNextWord(TextRules::trimSpaces(WordSelect(Index)->ToolTipText));
        return;
    }
    const TypingRules::Edit e =
            TypingRules::wordSelectClick(Text1->Text(), Text1->SelStart(), Text1->SelLength(),
                                         WordSelect(Index)->ToolTipText, tp);
    Text1->setText(e.text);
    tp = e.tp;
    Text1->setSelStart(TypingRules::caretFor(Text1->Text(), tp));
    Text1->setFocus();
}
