#pragma once

#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <span>

// The settings of hands-free access (dwell clicking and switch scanning),
// of typing into other programs and of learning suggestions: each with its
// name in the settings file, its range, its step and its default.  Every
// feature is off by default.  The window reads and writes
// them; the rules here only keep every value inside its range.
namespace HandsFree {

enum class Id {
    DwellOn,
    LockOnMs,
    DwellMs,
    SuggestionDwellMs,
    EraseDwellMs,
    StrayMs,
    RearmPx,
    ScanOn,
    ScanMode,
    ScanOrder,
    IntervalMs,
    FirstItemPercent,
    Loops,
    AcceptMs,
    ReleaseMs,
    Switch1Key,
    Switch2Key,
    MouseSwitches,
    Auditory,
    MarkColour,
    // Typing into other programs.
    LiveTyping,
    SendBackend,
    // Suggestions that learn.
    LearnOn,
    NextWord,
    LearnPaused,
};
inline constexpr int kCount = static_cast<int>(Id::LearnPaused) + 1;

// How a value is shown and changed.
enum class Kind {
    Toggle,   // 0 or 1
    Time,     // milliseconds
    Distance, // pixels
    Percent,  // of the scan interval
    Count,
    Choice, // an index into `choices`
    Key,    // a key code of the toolkit
};

struct Field
{
    Id id;
    Kind kind;
    QLatin1StringView key;   // name in the settings file
    QLatin1StringView label; // name in the settings window
    int min;
    int max;
    int step;
    int defaultValue;
    QStringList choices; // Choice only
};

// The fields in the order the settings window shows them.
std::span<const Field> fields();
const Field &field(Id id);

// The value nearest to `value` inside the field's range, on its steps.
int clamp(Id id, int value);
// The value one step up (direction > 0) or down; stays at the ends.
int stepped(Id id, int value, int direction);
// A stored value as read back: the value and whether it was usable.  Text that
// is no number, or a missing value, gives the default; a number out of range
// is brought inside it.
struct Read
{
    int value = 0;
    bool usable = false;
};
Read read(Id id, const QVariant &stored);

// The value in words: "250 ms", "1.25 s", "On", "Automatic", "150 %".  Keys
// are named by the window, which knows the toolkit's key names.
QString display(Id id, int value);
// The range as shown beside the name: "200 ms to 5 s".  Empty for toggles,
// choices and keys.
QString range(Id id);

enum class ScanMode { Automatic, Step, Held };
enum class ScanOrder { Groups, Linear };
// The order of SendBackend's choices; new ones go at the end, as settings
// store the number.
enum class SendBackend { Automatic, X11, Wayland, Clipboard, Portal };

// The settings window shows one section at a time, and scanning reaches a
// setting through its section.  Every field belongs to one section.
struct Section
{
    QLatin1StringView name;
    QList<Id> ids; // in the order shown
};
std::span<const Section> sections();
// The index of the field's section.
int sectionOf(Id id);

// One value per field, all at their defaults to begin with.
class Settings
{
public:
    Settings();
    int value(Id id) const { return m_values[static_cast<int>(id)]; }
    bool on(Id id) const { return value(id) != 0; }
    // Stores the value brought inside the range; returns what was stored.
    int set(Id id, int value);
    bool operator==(const Settings &) const = default;

private:
    std::array<int, kCount> m_values;
};

} // namespace HandsFree
