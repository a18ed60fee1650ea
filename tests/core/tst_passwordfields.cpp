// Characters sent into a password field: what the typing area shows of them,
// what learning reads, and whose focus decides.  Live typing is played as the
// window plays it: the typing area changes, liveChange gives what is sent,
// afterSend gives the new record.
//
// Steps: "+TEXT" types TEXT at the end, "-N" takes N characters back with
// [back], "=TEXT" puts TEXT in the typing area as a whole; a leading "P" sends
// the step into a password field.

#include "learning.h"
#include "passwordfields.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace PasswordFields;

namespace {

// The typing area after a [back]: one character, a CR LF pair and a surrogate
// pair counting as one.
QString backOne(const QString &text)
{
    const qsizetype n = text.size();
    if (n >= 2 && (text.mid(n - 2) == u"\r\n"_s || text.at(n - 1).isLowSurrogate()))
        return text.left(n - 2);
    return text.left(n - 1);
}

Record play(const QStringList &steps)
{
    Record r;
    for (QString step : steps) {
        const bool password = step.startsWith(u'P');
        if (password)
            step.remove(0, 1);
        QString now = r.text;
        if (step.startsWith(u'+'))
            now += step.mid(1);
        else if (step.startsWith(u'='))
            now = step.mid(1);
        else
            for (int i = step.mid(1).toInt(); i > 0; --i)
                now = backOne(now);
        r = afterSend(r, KeyInjection::liveChange(r.text, now), password);
    }
    return r;
}

// "#" for a masked unit, "." for one that is not.
QString maskOf(const Record &r)
{
    QString out;
    for (bool m : r.masked)
        out += m ? u'#' : u'.';
    return out;
}

Record recordOf(const QString &text, const QString &mask)
{
    Record r { text, {} };
    for (QChar c : mask)
        r.masked.append(c == u'#');
    return r;
}

// The model as "word" and "previous>word" entries, sorted.
QStringList entries(const LearnedModel &model)
{
    QStringList out;
    for (const QString &line : model.toText().split(u"\r\n"_s, Qt::SkipEmptyParts)) {
        const QStringList cells = line.split(u'\t');
        out.append(cells.size() == 2 ? cells.at(1) : cells.at(1) + u'>' + cells.at(2));
    }
    out.sort();
    return out;
}

} // namespace

class tst_PasswordFields : public QObject
{
    Q_OBJECT
private slots:
    void liveTyping_data();
    void liveTyping();
    void follow_data();
    void follow();
    void learning_data();
    void learning();
    void tracker_data();
    void tracker();
};

void tst_PasswordFields::liveTyping_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("mask");

    QTest::newRow("nothing into a password field")
            << QStringList { u"+Hello "_s, u"+world"_s, u"-2"_s } << u"Hello wor"_s
            << u"........."_s;
    QTest::newRow("a word into a password field")
            << QStringList { u"+Hi "_s, u"P+sun"_s, u"P+shine"_s } << u"Hi ••••••••"_s
            << u"...########"_s;
    QTest::newRow("the mask stays when the focus leaves")
            << QStringList { u"P+pw"_s, u"+ then"_s } << u"•• then"_s << u"##....."_s;
    QTest::newRow("back over masked characters")
            << QStringList { u"P+abcd"_s, u"P-3"_s, u"P+z"_s } << u"••"_s << u"##"_s;
    QTest::newRow("back over a line break")
            << QStringList { u"+a\r\n"_s, u"-1"_s, u"P+b"_s } << u"a•"_s << u".#"_s;
    // One dot for a character beyond the BMP, so that one BackSpace takes it.
    QTest::newRow("a surrogate pair is one dot")
            << QStringList { u"P+x😀y"_s } << u"•••"_s << u"###"_s;
    QTest::newRow("back over a masked surrogate pair")
            << QStringList { u"P+😀"_s, u"-1"_s, u"+ok"_s } << u"ok"_s << u".."_s;
    QTest::newRow("a line break is never masked")
            << QStringList { u"P+ab\r\ncd"_s } << u"••\r\n••"_s << u"##..##"_s;
    // A word key that replaces the masked letters typed so far.
    QTest::newRow("the typed word replaced")
            << QStringList { u"+so "_s, u"P+sun"_s, u"P=so sunny "_s } << u"so ••••••"_s
            << u"...######"_s;
    // A dot the user typed is a character like any other.
    QTest::newRow("a typed dot is not masked") << QStringList { u"+•"_s } << u"•"_s << u"."_s;
    QTest::newRow("empty") << QStringList {} << QString() << QString();
}

void tst_PasswordFields::liveTyping()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, shown);
    QFETCH(QString, mask);

    const Record r = play(steps);
    QCOMPARE(r.text, shown);
    QCOMPARE(maskOf(r), mask);
}

void tst_PasswordFields::follow_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("beforeMask");
    QTest::addColumn<QString>("now");
    QTest::addColumn<QString>("mask");

    QTest::newRow("the same text") << u"a••b"_s << u".##."_s << u"a••b"_s << u".##."_s;
    QTest::newRow("typed on after it") << u"a••"_s << u".##"_s << u"a•• ok"_s << u".##..."_s;
    QTest::newRow("typed in front of it") << u"••"_s << u"##"_s << u"x ••"_s << u"..##"_s;
    QTest::newRow("a masked character deleted")
            << u"a•••b"_s << u".###."_s << u"a••b"_s << u".##."_s;
    QTest::newRow("typed between the dots") << u"a••b"_s << u".##."_s << u"a•x•b"_s << u".#.#."_s;
    // A dot that comes new is not one that was masked.
    QTest::newRow("a new dot among them") << u"a••b"_s << u".##."_s << u"a•x••b"_s << u".#..#."_s;
    QTest::newRow("replaced as a whole") << u"••"_s << u"##"_s << u"open"_s << u"...."_s;
    QTest::newRow("emptied") << u"••"_s << u"##"_s << QString() << QString();
    QTest::newRow("nothing masked before") << u"ab"_s << u".."_s << u"abc"_s << u"..."_s;
    QTest::newRow("a mask shorter than its text") << u"••"_s << u"#"_s << u"••!"_s << u"#.."_s;
}

void tst_PasswordFields::follow()
{
    QFETCH(QString, before);
    QFETCH(QString, beforeMask);
    QFETCH(QString, now);
    QFETCH(QString, mask);

    const Record r = PasswordFields::follow(recordOf(before, beforeMask), now);
    QCOMPARE(r.text, now);
    QCOMPARE(maskOf(r), mask);
}

void tst_PasswordFields::learning_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("read");
    QTest::addColumn<QStringList>("learned");

    QTest::newRow("nothing masked")
            << QStringList { u"+my dog ran"_s } << u"my dog ran"_s
            << QStringList { u"<s>>my"_s, u"dog"_s, u"dog>ran"_s, u"my"_s, u"my>dog"_s, u"ran"_s };
    // The word after the password has no previous word: no pair across it.
    QTest::newRow("a password between words")
            << QStringList { u"+my password is "_s, u"P+sunshine"_s, u"+\r\nthen"_s }
            << u"my password is 00000000\r\nthen"_s
            << QStringList { u"<s>>my"_s,      u"<s>>then"_s, u"is"_s,          u"my"_s,
                             u"my>password"_s, u"password"_s, u"password>is"_s, u"then"_s };
    QTest::newRow("no pair over a password on the same line")
            << QStringList { u"+my dog "_s, u"P+sunshine "_s, u"+ran"_s }
            << u"my dog 000000000ran"_s
            << QStringList { u"<s>>my"_s, u"dog"_s, u"my"_s, u"my>dog"_s };
    // The letters typed before the focus went into the password field join
    // the masked ones: no part of the word is learned.
    QTest::newRow("a word begun outside the field")
            << QStringList { u"+my sun"_s, u"P+shine"_s, u"+ dog"_s } << u"my sun00000 dog"_s
            << QStringList { u"<s>>my"_s, u"dog"_s, u"my"_s };
    QTest::newRow("all into a password field")
            << QStringList { u"P+sunshine ran"_s } << u"000000000000"_s << QStringList {};
}

void tst_PasswordFields::learning()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, read);
    QFETCH(QStringList, learned);

    const Record r = play(steps);
    const QString text = forLearning(r);
    QCOMPARE(text, read);

    ShippedWords shipped;
    for (const QString &w : { u"my"_s, u"password"_s, u"is"_s, u"sunshine"_s, u"then"_s, u"dog"_s,
                              u"ran"_s, u"sun"_s, u"shine"_s })
        shipped.insert(w);
    LearnedModel model;
    Learning::learnCommit(model, QString(), text, shipped);
    learned.sort();
    QCOMPARE(entries(model), learned);
}

void tst_PasswordFields::tracker_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<qint64>("target");
    QTest::addColumn<QString>("field");

    // Events: "gain APP PID OBJECT [pw]", "lost APP OBJECT",
    // "active APP PID", "inactive APP PID", "gone APP".
    const QString pw = u"gain :1.5 100 /f pw"_s;
    QTest::newRow("nothing seen, a target") << QStringList {} << qint64(100) << u"unknown"_s;
    QTest::newRow("nothing seen, no target") << QStringList {} << qint64(0) << u"unknown"_s;
    QTest::newRow("the target's password field")
            << QStringList { pw } << qint64(100) << u"password"_s;
    QTest::newRow("the last focus without a target")
            << QStringList { pw } << qint64(0) << u"password"_s;
    // xterm is not on the bus: the password field of another program does
    // not count for it.
    QTest::newRow("a target not on the bus") << QStringList { pw } << qint64(200) << u"unknown"_s;
    QTest::newRow("a text field") << QStringList { u"gain :1.5 100 /f"_s } << qint64(100)
                                  << u"other"_s;
    QTest::newRow("the field lost the focus")
            << QStringList { pw, u"lost :1.5 /f"_s } << qint64(100) << u"other"_s;
    QTest::newRow("another object lost it")
            << QStringList { pw, u"lost :1.5 /g"_s } << qint64(100) << u"password"_s;
    // Within one program: the old object loses the focus, then the new gains it.
    QTest::newRow("from the user name to the password")
            << QStringList { u"gain :1.5 100 /u"_s, u"lost :1.5 /u"_s, u"gain :1.5 100 /p pw"_s }
            << qint64(100) << u"password"_s;
    QTest::newRow("back to the user name")
            << QStringList { pw, u"lost :1.5 /f"_s, u"gain :1.5 100 /u"_s } << qint64(100)
            << u"other"_s;
    QTest::newRow("two programs, the first the target")
            << QStringList { pw, u"gain :1.7 300 /t"_s } << qint64(100) << u"password"_s;
    QTest::newRow("two programs, the second the target")
            << QStringList { pw, u"gain :1.7 300 /t"_s } << qint64(300) << u"other"_s;
    QTest::newRow("two programs, no target")
            << QStringList { pw, u"gain :1.7 300 /t"_s } << qint64(0) << u"other"_s;
    // Without a target, a window that is no longer active says nothing.
    QTest::newRow("its window left")
            << QStringList { pw, u"inactive :1.5 100"_s } << qint64(0) << u"unknown"_s;
    QTest::newRow("its window left, a target")
            << QStringList { pw, u"inactive :1.5 100"_s } << qint64(100) << u"password"_s;
    QTest::newRow("its window back")
            << QStringList { pw, u"inactive :1.5 100"_s, u"active :1.5 100"_s } << qint64(0)
            << u"password"_s;
    QTest::newRow("a window without a focus event")
            << QStringList { pw, u"active :1.7 300"_s } << qint64(0) << u"unknown"_s;
    QTest::newRow("the other window deactivated late")
            << QStringList { u"gain :1.7 300 /t"_s, pw, u"inactive :1.7 300"_s } << qint64(0)
            << u"password"_s;
    QTest::newRow("gone from the bus")
            << QStringList { pw, u"gone :1.5"_s } << qint64(100) << u"unknown"_s;
    // A process with two names on the bus: the one that took the focus last.
    QTest::newRow("two names of one process")
            << QStringList { pw, u"gain :1.9 100 /x"_s } << qint64(100) << u"other"_s;
    QTest::newRow("a process learned late")
            << QStringList { u"gain :1.5 0 /f pw"_s, u"active :1.5 100"_s } << qint64(100)
            << u"password"_s;
}

void tst_PasswordFields::tracker()
{
    QFETCH(QStringList, events);
    QFETCH(qint64, target);
    QFETCH(QString, field);

    FocusTracker t;
    for (const QString &e : events) {
        const QStringList w = e.split(u' ');
        if (w.at(0) == u"gain")
            t.focusGained(w.at(1), w.at(2).toLongLong(), w.at(3), w.size() > 4);
        else if (w.at(0) == u"lost")
            t.focusLost(w.at(1), w.at(2));
        else if (w.at(0) == u"active" || w.at(0) == u"inactive")
            t.windowActive(w.at(1), w.at(2).toLongLong(), w.at(0) == u"active");
        else if (w.at(0) == u"gone")
            t.appGone(w.at(1));
        else
            QFAIL(qPrintable(e));
    }
    static const QHash<FocusTracker::Field, QString> names = {
        { FocusTracker::Field::Unknown, u"unknown"_s },
        { FocusTracker::Field::Other, u"other"_s },
        { FocusTracker::Field::Password, u"password"_s },
    };
    QCOMPARE(names.value(t.targetField(target)), field);
}

QTEST_APPLESS_MAIN(tst_PasswordFields)
#include "tst_passwordfields.moc"
