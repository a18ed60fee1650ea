// Password fields on any typing and any focus events: the record stays one
// mask flag a unit, keeps the other program's characters one for one (a dot
// for each masked one, never for a line break), follows an unchanged text
// without change, and learning reads digits where the dots are.  The focus
// tracker answers for the program that took the focus last.

#include "fuzzcheck.h"

#include "passwordfields.h"

#include <algorithm>

using namespace PasswordFields;

namespace {

// Characters as one BackSpace takes them: CR LF and surrogate pairs are one.
QStringList characters(const QString &text)
{
    QStringList out;
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = i + 1 < text.size()
                          && ((text.at(i) == u'\r' && text.at(i + 1) == u'\n')
                              || (text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate()));
        out.append(text.mid(i, pair ? 2 : 1));
        i += pair ? 2 : 1;
    }
    return out;
}

void fuzzRecord(FuzzInput &in)
{
    Record record;
    QString program; // what the other program holds
    for (int round = 0; round < 16 && in.remaining() > 0; ++round) {
        const QString now = record.text.left(in.takeInt(uint32_t(record.text.size())))
                            + utf16From(in.takeUntil('\xff'));
        const bool password = in.takeBool();
        // A typing area never holds half a surrogate pair.
        if (hasLoneSurrogate(now))
            continue;
        const KeyInjection::Change change = KeyInjection::liveChange(record.text, now);
        for (int i = 0; i < change.backspaces && !program.isEmpty(); ++i)
            program.chop(characters(program).last().size());
        program += change.text;
        record = afterSend(record, change, password);

        const QString at = shown(now) + QStringLiteral(" gave ") + shown(record.text);
        FUZZ_CHECK(record.masked.size() == record.text.size(), at);
        const QStringList mine = characters(record.text);
        const QStringList theirs = characters(program);
        FUZZ_CHECK(mine.size() == theirs.size(), at + QStringLiteral(" for ") + shown(program));
        qsizetype unit = 0;
        for (qsizetype i = 0; i < mine.size(); ++i) {
            if (record.masked[unit]) {
                FUZZ_CHECK(mine.at(i) == QString(QChar(kMaskCharacter)), at);
                FUZZ_CHECK(theirs.at(i) != u"\r\n" && theirs.at(i) != u"\r"
                                   && theirs.at(i) != u"\n",
                           at);
            } else {
                FUZZ_CHECK(mine.at(i) == theirs.at(i), at);
            }
            unit += mine.at(i).size();
        }

        const QString read = forLearning(record);
        FUZZ_CHECK(read.size() == record.text.size(), at);
        for (qsizetype i = 0; i < read.size(); ++i)
            FUZZ_CHECK(read.at(i) == (record.masked[i] ? QChar(u'0') : record.text.at(i)), at);

        const Record same = follow(record, record.text);
        // (Compared element by element: Qt's own comparison of two empty
        // lists hands memcmp a null pointer.)
        FUZZ_CHECK(same.text == record.text
                           && std::equal(same.masked.cbegin(), same.masked.cend(),
                                         record.masked.cbegin(), record.masked.cend()),
                   at);
        const QString other = utf16From(in.takeUntil('\xff'));
        const Record followed = follow(record, other);
        FUZZ_CHECK(followed.text == other && followed.masked.size() == other.size(), at);
        for (qsizetype i = 0; i < other.size(); ++i)
            FUZZ_CHECK(!followed.masked[i] || other.at(i) == QChar(kMaskCharacter), at);
        if (in.takeBool() && !hasLoneSurrogate(other)) {
            record = followed;
            // Live typing taken up again: the other program has this text,
            // with some character for each dot.
            program = followed.text;
            for (qsizetype i = 0; i < program.size(); ++i) {
                if (followed.masked[i])
                    program[i] = u'x';
            }
        }
    }
}

void fuzzTracker(FuzzInput &in)
{
    FocusTracker tracker;
    const QString apps[] = { QStringLiteral(":1.1"), QStringLiteral(":1.2"),
                             QStringLiteral(":1.3") };
    const QString objects[] = { QStringLiteral("/a"), QStringLiteral("/b") };
    while (in.remaining() > 0) {
        const QString &app = apps[in.takeByte() % 3];
        const QString &object = objects[in.takeByte() % 2];
        const qint64 pid = in.takeByte() % 4; // 0: not known yet
        switch (in.takeByte() % 5) {
        case 0: {
            const bool password = in.takeBool();
            tracker.focusGained(app, pid, object, password);
            const auto expected =
                    password ? FocusTracker::Field::Password : FocusTracker::Field::Other;
            FUZZ_CHECK(tracker.targetField(0) == expected, app);
            if (pid != 0)
                FUZZ_CHECK(tracker.targetField(pid) == expected, app);
            break;
        }
        case 1:
            tracker.focusLost(app, object);
            break;
        case 2:
            tracker.windowActive(app, pid, in.takeBool());
            break;
        case 3:
            tracker.appGone(app);
            break;
        default:
            for (const QString &a : apps)
                tracker.appGone(a);
            FUZZ_CHECK(tracker.targetField(pid) == FocusTracker::Field::Unknown, app);
            break;
        }
        // A process nobody on the bus has says nothing.
        FUZZ_CHECK(tracker.targetField(99) == FocusTracker::Field::Unknown, app);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    if (in.takeBool())
        fuzzRecord(in);
    else
        fuzzTracker(in);
    return 0;
}
