// The desktop portal's keyboard session under any order of asks, answers
// and closings: a call comes only while asking, each request has a token of
// its own, Allowed comes only from a granted Start with a keyboard and always
// has a session, keeping across restarts is asked for only from a portal
// that can, and a portal without keyboards is never asked again.

#include "fuzzcheck.h"

#include "portalsession.h"

#include <QSet>

using namespace PortalSession;

namespace {

// Device types: mostly with the keyboard.
quint32 devices(uint8_t byte)
{
    return byte % 5 == 0 ? (byte >> 3) % 8 : 1u | ((byte >> 3) % 8);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    Machine machine(in.takeBool() ? QStringLiteral("kept") : QString());
    QSet<QString> tokens;
    quint32 version = 0;
    bool unavailable = false;
    Step waiting = Step::None;
    for (int round = 0; round < 200 && in.remaining() > 0; ++round) {
        const Access before = machine.access();
        const uint8_t what = in.takeByte() % 16;
        const QString at = QStringLiteral("round %1 action %2").arg(round).arg(what);
        Call call;
        if (what < 3) {
            call = machine.ask();
        } else if (what == 3) {
            machine.closed();
        } else {
            // Mostly the answer to the call under way, mostly granted.
            const uint8_t stepByte = in.takeByte();
            const Step step =
                    stepByte % 4 != 0 && waiting != Step::None ? waiting : Step(1 + stepByte % 4);
            const uint8_t codeByte = in.takeByte();
            const quint32 code = codeByte % 8 < 5 ? kGranted : codeByte % 4;
            QVariantMap results;
            if (in.takeBool())
                results.insert(QStringLiteral("version"), quint32(in.takeByte() % 4));
            if (in.takeByte() % 4 != 0)
                results.insert(QStringLiteral("AvailableDeviceTypes"), devices(in.takeByte()));
            if (in.takeByte() % 4 != 0)
                results.insert(QStringLiteral("session_handle"),
                               QStringLiteral("/s/%1").arg(round));
            if (in.takeByte() % 4 != 0)
                results.insert(QStringLiteral("devices"), devices(in.takeByte()));
            if (in.takeBool())
                results.insert(QStringLiteral("restore_token"), QStringLiteral("t%1").arg(round));
            const Step awaited = waiting;
            call = machine.answered(step, code, results);
            // Only the answer awaited counts: a late or stray one is dropped.
            if (step == Step::Probe && awaited == Step::Probe && before == Access::Asking
                && machine.access() != Access::Unavailable && code == kGranted)
                version = std::max(1u, results.value(QStringLiteral("version")).toUInt());
            if (machine.access() == Access::Allowed && before != Access::Allowed) {
                FUZZ_CHECK(step == Step::Start && code == kGranted, at);
                FUZZ_CHECK(results.value(QStringLiteral("devices")).toUInt() & kKeyboard, at);
            }
        }
        if (call.step != Step::None || machine.access() != Access::Asking)
            waiting = call.step;
        if (machine.access() == Access::Unavailable)
            unavailable = true;
        FUZZ_CHECK(!unavailable || machine.access() == Access::Unavailable, at);
        if (call.step != Step::None) {
            FUZZ_CHECK(machine.access() == Access::Asking, at);
            if (call.step != Step::Probe) {
                FUZZ_CHECK(!call.token.isEmpty() && !tokens.contains(call.token), at);
                FUZZ_CHECK(call.options.value(QStringLiteral("handle_token")).toString()
                                   == call.token,
                           at);
                tokens.insert(call.token);
                FUZZ_CHECK((call.step == Step::CreateSession) == call.session.isEmpty(), at);
            }
            const bool persists = call.options.contains(QStringLiteral("persist_mode"));
            FUZZ_CHECK(!persists
                               || (call.step == Step::SelectDevices && version >= kPersistVersion),
                       at);
            FUZZ_CHECK(!call.options.contains(QStringLiteral("restore_token")) || persists, at);
        }
        if (machine.access() == Access::Allowed)
            FUZZ_CHECK(!machine.session().isEmpty(), at);
        if (machine.access() == Access::Refused || machine.access() == Access::Unavailable)
            FUZZ_CHECK(!machine.why().isEmpty(), at);
        machine.takeSessionToClose();
    }
    return 0;
}
