// The rules of switch input driven by any bytes: paired presses and releases
// alternate for each key and never report a release of a key that is up; a
// gated selection is carried out only when no switch is down, and only one
// that was made; the note of floated devices reads back as written; records
// of input devices are taken whole; the grab's lock states are each once.

#include "fuzzcheck.h"

#include "switchinput.h"

#include <QHash>
#include <QSet>

namespace {

void fuzzPairing(FuzzInput &in)
{
    SwitchInput::Pairing pairing;
    QHash<int, bool> down; // as reported
    quint32 time = 0;
    auto check = [&](const QList<SwitchInput::Pairing::Change> &changes, int step) {
        for (const auto &c : changes) {
            const QString at = QStringLiteral("step %1 key %2").arg(step).arg(c.key);
            FUZZ_CHECK(down.value(c.key) != c.down, at);
            down[c.key] = c.down;
        }
    };
    for (int step = 0; step < 64 && in.remaining() > 0; ++step) {
        const int key = in.takeByte() % 4;
        time += in.takeByte() % 3; // often the same time
        switch (in.takeByte() % 4) {
        case 0:
        case 1:
            check(pairing.press(key, time), step);
            break;
        case 2:
            pairing.release(key, time);
            break;
        default:
            check(pairing.settle(), step);
            break;
        }
    }
    check(pairing.settle(), 64);
    for (auto it = down.cbegin(); it != down.cend(); ++it)
        FUZZ_CHECK(pairing.isDown(it.key()) == it.value(), QStringLiteral("key %1").arg(it.key()));
    for (int key : pairing.clear())
        FUZZ_CHECK(down.value(key), QStringLiteral("cleared key %1 was up").arg(key));
}

void fuzzGate(FuzzInput &in)
{
    SwitchInput::Gate gate;
    QSet<int> down;
    QSet<int> made;
    for (int step = 0; step < 64 && in.remaining() > 0; ++step) {
        const int number = 1 + in.takeByte() % 2;
        int done = 0;
        switch (in.takeByte() % 4) {
        case 0:
            gate.down(number);
            down.insert(number);
            break;
        case 1:
            down.remove(number);
            done = gate.up(number);
            break;
        case 2: {
            const int slot = in.takeByte() % 5;
            if (slot)
                made.insert(slot);
            done = gate.selected(slot);
            break;
        }
        default:
            if (in.takeByte() % 8 == 0) {
                gate.clear();
                down.clear();
            }
            break;
        }
        const QString at = QStringLiteral("step %1 done %2").arg(step).arg(done);
        if (done) {
            FUZZ_CHECK(down.isEmpty(), at);
            FUZZ_CHECK(made.contains(done), at);
        }
        FUZZ_CHECK(gate.waiting() == 0 || !down.isEmpty(), at);
    }
}

void fuzzFiles(FuzzInput &in)
{
    const int recordSize = in.takeBool() ? 24 : 16;
    const QByteArray bytes = in.rest();
    const QList<SwitchInput::Floated> note = SwitchInput::readNote(bytes);
    for (const SwitchInput::Floated &f : note) {
        FUZZ_CHECK(f.device > 0 && f.device <= 0xffff && f.master > 0 && f.master <= 0xffff,
                   QStringLiteral("device %1 master %2").arg(f.device).arg(f.master));
    }
    const QList<SwitchInput::Floated> again = SwitchInput::readNote(SwitchInput::writeNote(note));
    FUZZ_CHECK(again.size() == note.size(), QString());
    for (qsizetype i = 0; i < note.size(); ++i) {
        FUZZ_CHECK(again.at(i).device == note.at(i).device, QString());
        FUZZ_CHECK(!again.at(i).name.contains(u'\n'), shown(again.at(i).name));
    }

    QByteArray buffer = bytes;
    const QList<SwitchInput::EvdevEvent> events = SwitchInput::takeEvdevEvents(&buffer, recordSize);
    FUZZ_CHECK(events.size() == bytes.size() / recordSize, QString());
    FUZZ_CHECK(buffer.size() == bytes.size() % recordSize, QString());

    unsigned masks[3] = {};
    for (unsigned &m : masks)
        m = bytes.isEmpty() ? 0 : (1u << (uint8_t(bytes.at(0)) % 8)) * (uint8_t(bytes.at(0)) & 1);
    const QList<unsigned> combos = SwitchInput::lockCombinations(masks[0], masks[1], masks[2]);
    FUZZ_CHECK(!combos.isEmpty() && combos.first() == 0 && combos.size() <= 8, QString());
    FUZZ_CHECK(QSet<unsigned>(combos.begin(), combos.end()).size() == combos.size(), QString());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    switch (in.takeByte() % 3) {
    case 0:
        fuzzPairing(in);
        break;
    case 1:
        fuzzGate(in);
        break;
    default:
        fuzzFiles(in);
        break;
    }
    return 0;
}
