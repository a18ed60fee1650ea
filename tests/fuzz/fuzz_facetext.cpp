// Face texts: the font size, the joined display text and the face pictures.

#include "fuzzcheck.h"

#include "facetext.h"
#include "textfile.h"

namespace {

// The joins only turn a line break into a space and "and" into "&": walking
// both texts, every difference must be one of those.
bool onlyJoined(const QString &from, const QString &to)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < from.size() && j < to.size()) {
        if (from.at(i) == to.at(j)) {
            ++i;
            ++j;
        } else if (to.at(j) == u' ' && QStringView(from).mid(i).startsWith(u"\r\n")) {
            i += 2;
            ++j;
        } else if (to.at(j) == u'&' && QStringView(from).mid(i).startsWith(u"and")) {
            i += 3;
            ++j;
        } else {
            return false;
        }
    }
    return i == from.size() && j == to.size();
}

// No line of the face ends in one of the short words that are joined to the
// next line.  ("and" may: in "x and and y" the second "and" shares its line
// break with the first, and the rule for " and" has run before.)
bool shortWordBeforeBreak(const QString &s)
{
    static const char *const ends[] = { "a", "to", "in", "of", "as", "an", "it", "I", "by", "I'm" };
    for (qsizetype p = s.indexOf(QLatin1String("\r\n")); p >= 0;
         p = s.indexOf(QLatin1String("\r\n"), p + 1)) {
        const QStringView before = QStringView(s).left(p);
        for (const char *end : ends) {
            if (before.endsWith(QLatin1String(end)))
                return true;
        }
    }
    return false;
}

void checkJoin(const QString &text)
{
    const QString joined = FaceText::joinForDisplay(text);
    const QString what = shown(text) + QStringLiteral(" joined as ") + shown(joined);
    FUZZ_CHECK(joined.endsWith(u' '), what);
    FUZZ_CHECK(onlyJoined(text + u' ', joined), what);
    FUZZ_CHECK(joined.count(QLatin1String("\r\n")) <= text.count(QLatin1String("\r\n")), what);
    FUZZ_CHECK(!shortWordBeforeBreak(joined), what);
    // A first line of two characters is joined to the second.
    FUZZ_CHECK(joined.mid(2, 2) != QLatin1String("\r\n"), what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const BgrColour colours[] = { FaceText::kSuggestionColour,
                                         FaceText::kEditorColour,
                                         FaceText::kLetterColour,
                                         0x00C0FFC0,
                                         0x00FFC0FF,
                                         0 };
    FuzzInput in(data, size);
    const BgrColour colour = colours[in.takeByte() % 6];
    const double height = in.takeDouble();
    const int previous = int(in.takeInt(40));
    const QString text = TextFile::decode(in.rest());

    // As the loader passes a label: every space a line break.
    QString label = text;
    label.replace(u' ', QLatin1String("\r\n"));
    checkJoin(text);
    checkJoin(label);

    const int bySize = FaceText::sizeByLength(label, previous);
    if (label.size() < 4)
        FUZZ_CHECK(bySize == 18, shown(label));
    else if (label.size() < 100)
        FUZZ_CHECK(bySize == 8 || bySize == 9 || bySize == 14, shown(label));
    else
        FUZZ_CHECK(bySize == previous, shown(label));
    if (label.startsWith(u'[') && label.size() >= 4 && label.size() < 100)
        FUZZ_CHECK(bySize == 9, shown(label));

    const FaceText::Plan plan = FaceText::plan(label, colour, height, previous);
    const QString what = shown(label)
                         + QStringLiteral(" colour %1 height %2 size %3")
                                   .arg(colour, 0, 16)
                                   .arg(height)
                                   .arg(plan.fontSize);
    FUZZ_CHECK(plan.text == FaceText::joinForDisplay(label), what);
    const bool small = height < 600;
    if (colour == FaceText::kEditorColour)
        FUZZ_CHECK(plan.fontSize == 10, what);
    else if (colour == FaceText::kSuggestionColour)
        FUZZ_CHECK(plan.fontSize == (small ? 12 : 14) && plan.suggestionSurface, what);
    else
        FUZZ_CHECK(plan.fontSize == (small && bySize > 8 ? bySize - 2 : bySize), what);
    FUZZ_CHECK(plan.centred
                       == (colour == FaceText::kSuggestionColour
                           || colour == FaceText::kLetterColour
                           || colour == FaceText::kEditorColour),
               what);

    // Pictures only for the command keys of the table, and the home link.
    for (const QString &kind :
         { QStringLiteral("letter"), QStringLiteral("keyboard"), QStringLiteral("word1") }) {
        const QString picture = FaceText::pictureFile(kind, text);
        if (kind == u"word1" || (kind == u"keyboard" && text.trimmed() != u"Home"))
            FUZZ_CHECK(picture.isEmpty(), shown(picture));
        else if (kind == u"letter" && !text.trimmed().startsWith(u'['))
            FUZZ_CHECK(picture.isEmpty(), shown(picture));
    }
    return 0;
}
