#pragma once

#include "keyboardfile.h"

#include <QString>

// What a key or button face shows, decided without a window: the font size,
// the text as joined for display, where it starts, and which picture file a
// command key shows instead.
namespace FaceText {

inline constexpr BgrColour kSuggestionColour = 0x00FFFFC0;
inline constexpr BgrColour kEditorColour = 0x00FFFFC1;
inline constexpr BgrColour kLetterColour = 0x00FFFFFF;

struct Plan
{
    int fontSize = 9;
    QString text; // joined for display, with the added space at its end
    bool centred = false;
    bool suggestionSurface = false; // painted at the size of the suggestion buttons
};

// `previousFontSize` is the size the last face was painted in, kept for a text
// of 100 characters or more.  `buttonHeightTwips` is the height of the button
// being painted.  Line breaks in `text` are CR LF.
Plan plan(const QString &text, BgrColour bgcolor, double buttonHeightTwips, int previousFontSize);

// The font size chosen by the length of the text, before the small-button and
// style rules.
int sizeByLength(const QString &text, int previousFontSize);

// Joins short words to their neighbours and a two-character first line to the
// second, as the faces show them.  Adds the trailing space first.
QString joinForDisplay(const QString &text);

// The picture file (in the program folder) that the face of a key of this kind
// and text shows instead of painted text; empty when the text is painted.
QString pictureFile(const QString &kind, const QString &text);

// The picture that a key shows together with its own label: a key that
// sends the typed text to another program always shows the Send picture,
// whatever its label says, so that no keyboard file can pass it off as a
// plain text key.  Empty for every other key, and for a Send key without a
// label of its own (its face is the picture alone).
QString labelledPicture(const QString &kind, const QString &label, const QString &output);

// What assistive tools call a key, beginning with what its face shows, so
// that a user of speech control can say what they see: the text it types,
// the command it names in words ("Back", "Delete"), or the keyboard it opens
// ("abc, small letters keyboard").  A label of its own comes first ("Hi,
// Hello there"); a Send key is always named "Send" first.  `label` is the
// face's text (spaces or CR LF between its words), `output` what a press
// acts on.
QString spokenName(const QString &kind, const QString &label, const QString &output);

} // namespace FaceText
