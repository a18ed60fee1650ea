#include "handsfree.h"

#include "accessmarks.h"

#include <QLocale>

#include <algorithm>
#include <climits>

namespace HandsFree {

namespace {

using namespace Qt::StringLiterals;

constexpr int kSpace = 0x20;         // the space bar
constexpr int kReturn = 0x01000004;  // the Enter key of the main block
constexpr int kLastKey = 0x7fffffff; // key codes are positive

QStringList colourNames()
{
    QStringList names;
    for (const AccessMarks::NamedColour &c : AccessMarks::colours())
        names.append(c.name);
    return names;
}

const std::array<Field, kCount> &table()
{
    // Times are in milliseconds; the dwell and scan times move in steps the
    // user can feel.
    // clang-format off
    static const std::array<Field, kCount> fields = { {
        { Id::DwellOn, Kind::Toggle, "dwell/on"_L1, "Dwell clicking"_L1, 0, 1, 1, 0, {} },
        { Id::LockOnMs, Kind::Time, "dwell/lockOn"_L1, "Lock-on time"_L1, 0, 2000, 50, 250, {} },
        { Id::DwellMs, Kind::Time, "dwell/time"_L1, "Dwell time"_L1, 200, 5000, 50, 1000, {} },
        { Id::SuggestionDwellMs, Kind::Time, "dwell/suggestionTime"_L1,
          "Dwell time of suggestions"_L1, 200, 5000, 50, 1250, {} },
        { Id::EraseDwellMs, Kind::Time, "dwell/eraseTime"_L1,
          "Dwell time of clear, delete, back"_L1, 200, 5000, 50, 1500, {} },
        { Id::StrayMs, Kind::Time, "dwell/stray"_L1,
          "Progress kept off the key"_L1, 0, 2000, 50, 750, {} },
        { Id::RearmPx, Kind::Distance, "dwell/rearmDistance"_L1,
          "Move to dwell again"_L1, 5, 200, 5, 40, {} },
        { Id::ScanOn, Kind::Toggle, "scan/on"_L1, "Switch scanning"_L1, 0, 1, 1, 0, {} },
        { Id::ScanMode, Kind::Choice, "scan/mode"_L1, "Scan mode"_L1, 0, 2, 1, 0,
          { u"Automatic"_s, u"Step"_s, u"Advance while held"_s } },
        { Id::ScanOrder, Kind::Choice, "scan/order"_L1, "Scan order"_L1, 0, 1, 1, 0,
          { u"Groups, then keys"_s, u"Key by key"_s } },
        { Id::IntervalMs, Kind::Time, "scan/interval"_L1,
          "Scan interval"_L1, 100, 10000, 100, 1200, {} },
        { Id::FirstItemPercent, Kind::Percent, "scan/firstItem"_L1,
          "First item waits"_L1, 100, 500, 10, 150, {} },
        { Id::Loops, Kind::Count, "scan/loops"_L1,
          "Loops before going back"_L1, 1, 50, 1, 2, {} },
        { Id::AcceptMs, Kind::Time, "scan/acceptance"_L1,
          "Switch held at least"_L1, 0, 2000, 50, 0, {} },
        { Id::ReleaseMs, Kind::Time, "scan/release"_L1,
          "Ignore presses after release"_L1, 0, 2000, 50, 100, {} },
        { Id::Switch1Key, Kind::Key, "scan/switch1"_L1,
          "Switch 1 key"_L1, 1, kLastKey, 1, kSpace, {} },
        { Id::Switch2Key, Kind::Key, "scan/switch2"_L1,
          "Switch 2 key"_L1, 1, kLastKey, 1, kReturn, {} },
        { Id::MouseSwitches, Kind::Toggle, "scan/mouseButtons"_L1,
          "Mouse buttons are switches"_L1, 0, 1, 1, 1, {} },
        { Id::Auditory, Kind::Toggle, "scan/speak"_L1, "Speak each item"_L1, 0, 1, 1, 0, {} },
        { Id::MarkColour, Kind::Choice, "marks/colour"_L1, "Colour of the marks"_L1,
          0, int(colourNames().size()) - 1, 1, 0, colourNames() },
        { Id::LiveTyping, Kind::Toggle, "send/live"_L1,
          "Type into other programs"_L1, 0, 1, 1, 0, {} },
        { Id::SendBackend, Kind::Choice, "send/backend"_L1, "Send keys through"_L1, 0, 4, 1, 0,
          { u"Automatic"_s, u"X11"_s, u"Wayland"_s, u"Clipboard"_s, u"Desktop portal"_s } },
        { Id::LearnOn, Kind::Toggle, "learn/on"_L1, "Learn from my writing"_L1, 0, 1, 1, 0, {} },
        { Id::NextWord, Kind::Toggle, "learn/nextWord"_L1,
          "Suggest the next word"_L1, 0, 1, 1, 0, {} },
        { Id::LearnPaused, Kind::Toggle, "learn/paused"_L1,
          "Learning paused"_L1, 0, 1, 1, 0, {} },
    } };
    // clang-format on
    return fields;
}

QString milliseconds(int ms)
{
    if (ms >= 1000 && ms % 10 == 0) {
        QString seconds = QLocale::c().toString(ms / 1000.0, 'f', 2);
        while (seconds.endsWith(u'0'))
            seconds.chop(1);
        if (seconds.endsWith(u'.'))
            seconds.chop(1);
        return seconds + u" s"_s;
    }
    return QString::number(ms) + u" ms"_s;
}

} // namespace

std::span<const Field> fields()
{
    return table();
}

const Field &field(Id id)
{
    return table()[static_cast<size_t>(id)];
}

int clamp(Id id, int value)
{
    const Field &f = field(id);
    value = std::clamp(value, f.min, f.max);
    if (f.step > 1) {
        // Round to the nearest step counted from the minimum; the maximum is
        // always reachable.
        const long long offset = value - f.min;
        const long long steps = (offset + f.step / 2) / f.step;
        value = static_cast<int>(std::min<long long>(f.min + steps * f.step, f.max));
    }
    return value;
}

int stepped(Id id, int value, int direction)
{
    const Field &f = field(id);
    if (f.kind == Kind::Key)
        return clamp(id, value);
    const long long next = static_cast<long long>(clamp(id, value))
                           + (direction > 0   ? f.step
                              : direction < 0 ? -f.step
                                              : 0);
    return clamp(id, static_cast<int>(std::clamp<long long>(next, INT_MIN, INT_MAX)));
}

Read read(Id id, const QVariant &stored)
{
    const Field &f = field(id);
    if (!stored.isValid())
        return { f.defaultValue, false };
    bool ok = false;
    const long long number = stored.toString().trimmed().toLongLong(&ok);
    if (!ok)
        return { f.defaultValue, false };
    const int inRange =
            clamp(id, static_cast<int>(std::clamp<long long>(number, INT_MIN, INT_MAX)));
    return { inRange, inRange == number };
}

QString display(Id id, int value)
{
    const Field &f = field(id);
    value = clamp(id, value);
    switch (f.kind) {
    case Kind::Toggle:
        return value ? u"On"_s : u"Off"_s;
    case Kind::Time:
        return milliseconds(value);
    case Kind::Distance:
        return QString::number(value) + u" px"_s;
    case Kind::Percent:
        return QString::number(value) + u" %"_s;
    case Kind::Count:
        return QString::number(value);
    case Kind::Choice:
        return f.choices.value(value);
    case Kind::Key:
        return QString::number(value);
    }
    return QString();
}

QString range(Id id)
{
    const Field &f = field(id);
    switch (f.kind) {
    case Kind::Time:
    case Kind::Distance:
    case Kind::Percent:
    case Kind::Count:
        return display(id, f.min) + u" to "_s + display(id, f.max);
    default:
        return QString();
    }
}

std::span<const Section> sections()
{
    static const std::array<Section, 5> all = { {
            { "Dwell clicking"_L1,
              { Id::DwellOn, Id::LockOnMs, Id::DwellMs, Id::SuggestionDwellMs, Id::EraseDwellMs,
                Id::StrayMs, Id::RearmPx } },
            { "Scanning"_L1,
              { Id::ScanOn, Id::ScanMode, Id::ScanOrder, Id::IntervalMs, Id::FirstItemPercent,
                Id::Loops, Id::Auditory, Id::MarkColour } },
            { "Switches"_L1,
              { Id::Switch1Key, Id::Switch2Key, Id::MouseSwitches, Id::AcceptMs, Id::ReleaseMs } },
            { "Typing into programs"_L1, { Id::LiveTyping, Id::SendBackend } },
            { "Learning"_L1, { Id::LearnOn, Id::NextWord, Id::LearnPaused } },
    } };
    return all;
}

int sectionOf(Id id)
{
    const std::span<const Section> all = sections();
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].ids.contains(id))
            return int(i);
    }
    return -1;
}

Settings::Settings()
{
    for (const Field &f : fields())
        m_values[static_cast<size_t>(f.id)] = f.defaultValue;
}

int Settings::set(Id id, int value)
{
    const int kept = clamp(id, value);
    m_values[static_cast<size_t>(id)] = kept;
    return kept;
}

} // namespace HandsFree
