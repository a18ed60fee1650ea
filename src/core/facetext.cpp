#include "facetext.h"

namespace FaceText {

int sizeByLength(const QString &text, int previousFontSize)
{
    const qsizetype n = text.size();
    const bool bracket = text.startsWith(u'[');
    int size = previousFontSize;
    if (n < 100)
        size = 9;
    if (n < 14 && !bracket)
        size = 8;
    if (n < 11 && !bracket)
        size = 9;
    if (n < 6 && !bracket)
        size = 14;
    if (n < 4)
        size = 18;
    return size;
}

QString joinForDisplay(const QString &text)
{
    static const struct
    {
        const char *find;
        const char *replace;
    } joins[] = {
        { "a\r\n", "a " },        { "\r\na\r\n", " a " },  { "to\r\n", "to " },
        { "\r\nto\r\n", " to " }, { "\r\nto ", " to " },   { "in\r\n", "in " },
        { "\r\nin\r\n", " in " }, { "\r\nin ", " in " },   { "of\r\n", "of " },
        { "\r\nof\r\n", " of " }, { "\r\nof ", " of " },   { " and\r\n", " & " },
        { "\r\nand\r\n", " & " }, { "\r\nand ", " and " }, { "as\r\n", "as " },
        { "\r\nas\r\n", " as " }, { "\r\nas ", " as " },   { "an\r\n", "an " },
        { "\r\nan\r\n", " an " }, { "it\r\n", "it " },     { "\r\nit\r\n", " it " },
        { "\r\nit ", " it " },    { "I\r\n", "I " },       { "\r\nI\r\n", " I " },
        { "\r\nI ", " I " },      { "by\r\n", "by " },     { "\r\nby\r\n", " by " },
        { "\r\nby ", " by " },    { "I'm\r\n", "I'm " },   { "\r\nI'm\r\n", " I'm " },
        { "\r\nI'm ", " I'm " },
    };
    QString s = text + u' ';
    for (const auto &j : joins)
        s.replace(QLatin1String(j.find), QLatin1String(j.replace));
    if (s.size() >= 4 && s.mid(2, 2) == QLatin1String("\r\n"))
        s.replace(2, 2, QStringLiteral(" "));
    return s;
}

Plan plan(const QString &text, BgrColour bgcolor, double buttonHeightTwips, int previousFontSize)
{
    Plan p;
    p.fontSize = sizeByLength(text, previousFontSize);
    if (bgcolor == kSuggestionColour) {
        p.suggestionSurface = true;
        p.fontSize = 14;
    }
    if (p.fontSize > 8 && buttonHeightTwips < 600)
        p.fontSize -= 2;
    if (bgcolor == kEditorColour)
        p.fontSize = 10;
    p.text = joinForDisplay(text);
    p.centred =
            bgcolor == kSuggestionColour || bgcolor == kLetterColour || bgcolor == kEditorColour;
    return p;
}

QString pictureFile(const QString &kind, const QString &text)
{
    const QString t = text.trimmed();
    if (kind == u"keyboard")
        return t == u"Home" ? QStringLiteral("home.bmp") : QString();
    if (kind != u"letter")
        return QString();
    static const struct
    {
        const char *text;
        const char *file;
    } pictures[] = {
        { "[delete]", "delete.jpg" }, { "[return]", "return.jpg" }, { "[back]", "back.jpg" },
        { "[clear]", "clear.jpg" },   { "[copy]", "copy.jpg" },     { "[website]", "web.jpg" },
        { "[save]", "save.jpg" },     { "[load]", "load.jpg" },     { "[edit]", "edit.jpg" },
        { "[game]", "game.jpg" },     { "[send]", "send.jpg" },
    };
    for (const auto &p : pictures) {
        if (t == QLatin1String(p.text))
            return QLatin1String(p.file);
    }
    return QString();
}

namespace {

bool isSendKey(const QString &kind, const QString &output)
{
    return kind == u"letter" && output.trimmed() == u"[send]";
}

// Words run together with single spaces, for comparing and saying.
QString spaced(const QString &text)
{
    return text.simplified();
}

// Equal but for letter case and spaces: "Word Parts" and "wordparts".
bool sameWords(const QString &a, const QString &b)
{
    QString x = a.toLower();
    QString y = b.toLower();
    x.remove(u' ');
    y.remove(u' ');
    return x == y;
}

// The standard keyboards that links name by file, in words.
QString keyboardInWords(const QString &name)
{
    static const struct
    {
        const char *file;
        const char *words;
    } known[] = {
        { "letterslower", "small letters" },
        { "lettersupper", "capital letters" },
        { "numbers", "numbers" },
        { "wordparts", "word parts" },
    };
    QString file = name.toLower();
    file.remove(u' ');
    for (const auto &k : known) {
        if (file == QLatin1String(k.file))
            return QLatin1String(k.words);
    }
    return name;
}

// "label, what it does" when the face shows something else than the words,
// the label alone when it shows them.
QString labelFirst(const QString &label, const QString &words)
{
    if (label.isEmpty())
        return words;
    if (sameWords(label, words))
        return label;
    if (words.isEmpty())
        return label;
    return label + QLatin1String(", ") + words;
}

} // namespace

QString labelledPicture(const QString &kind, const QString &label, const QString &output)
{
    if (!isSendKey(kind, output) || label.trimmed() == u"[send]")
        return QString();
    return QStringLiteral("send.jpg");
}

QString spokenName(const QString &kind, const QString &label, const QString &output)
{
    static const struct
    {
        const char *command;
        const char *words;
    } commands[] = {
        { "[space]", "Space" },        { "[copy]", "Copy" },       { "[lock]", "Caps lock" },
        { "[unlock]", "Caps unlock" }, { "[clear]", "Clear" },     { "[return]", "New line" },
        { "[back]", "Back" },          { "[website]", "Website" }, { "[save]", "Save" },
        { "[load]", "Load" },          { "[game]", "Game" },       { "[edit]", "Edit" },
        { "[delete]", "Delete" },      { "[dwell]", "Dwell" },     { "[access]", "Access" },
        { "[send]", "Send" },          { "[learn]", "Learn" },     { "[scan]", "Scan" },
    };
    const QString text = spaced(output);
    const QString shown = spaced(label);
    if (isSendKey(kind, output)) {
        // The face shows the Send picture first, then the key's own label.
        const QString send = QStringLiteral("Send");
        return shown.isEmpty() || shown == u"[send]" || sameWords(shown, send)
                       ? send
                       : send + QLatin1String(", ") + shown;
    }
    if (kind == u"letter") {
        for (const auto &c : commands) {
            if (output == QLatin1String(c.command)) {
                // A command key that shows its picture is named by it.
                const QString words = QLatin1String(c.words);
                return shown == output ? words : labelFirst(shown, words);
            }
        }
    }
    if (kind == u"keyboard") {
        if (text.isEmpty())
            return shown;
        return labelFirst(shown, keyboardInWords(text)) + QLatin1String(" keyboard");
    }
    return labelFirst(shown, text);
}

} // namespace FaceText
