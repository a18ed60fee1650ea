// The focused window in a sway tree, on any bytes and on trees built from
// them: bytes that are no JSON object are unreadable; in a tree the one
// focused node is found wherever it sits, a window only when it is a
// window with nothing inside it, with its id and process.

#include "fuzzcheck.h"

#include "desktopsession.h"

#include <QJsonDocument>

using namespace DesktopSession;

namespace {

struct Built
{
    int nodes = 0;
    int focusAt = -1; // the n-th node made is focused
    Focused expected;
    bool indented = false; // as sway writes it, or all on one line
};

// Writes the JSON text of a node and its children to `out` straight away: a
// tree made as JSON objects first cost ten times the reading under test.
void build(FuzzInput &in, int depth, Built *b, QByteArray &out)
{
    static const char *const types[] = { "root", "output", "workspace", "con", "floating_con" };
    const int index = b->nodes++;
    const QByteArray type(types[in.takeByte() % 5]);
    const qint64 pid = in.takeInt(70000);
    const bool hasPid = in.takeBool();
    QByteArray tiled, floating;
    const int children = depth < 12 && b->nodes < 200 ? in.takeByte() % 4 : 0;
    for (int i = 0; i < children; ++i) {
        QByteArray &list = in.takeBool() ? floating : tiled;
        if (!list.isEmpty())
            list += ',';
        build(in, depth + 1, b, list);
    }
    const bool focused = index == b->focusAt;
    if (focused) {
        const bool window = (type == "con" || type == "floating_con") && children == 0;
        b->expected.kind = window ? Focused::Window : Focused::NoWindow;
        b->expected.id = index + 1;
        b->expected.pid = window && hasPid ? pid : 0;
    }
    const char *const colon = b->indented ? "\": " : "\":";
    const char *const comma = b->indented ? ",\n    \"" : ",\"";
    out += "{\"id";
    out += colon + QByteArray::number(index + 1);
    out += comma;
    out += "type";
    out += colon;
    out += '"' + type + '"';
    if (hasPid) {
        out += comma;
        out += "pid";
        out += colon + QByteArray::number(pid);
    }
    out += comma;
    out += "nodes";
    out += colon;
    out += '[' + tiled + ']';
    out += comma;
    out += "floating_nodes";
    out += colon;
    out += '[' + floating + ']';
    out += comma;
    out += "focused";
    out += colon;
    out += focused ? "true}" : "false}";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    if (in.takeBool()) {
        const QByteArray bytes = in.rest();
        const Focused f = focusedInSwayTree(bytes);
        const bool object = QJsonDocument::fromJson(bytes).isObject();
        FUZZ_CHECK((f.kind == Focused::Unreadable) == !object, QString::fromLatin1(bytes.toHex()));
        FUZZ_CHECK(f.pid >= 0, QString::fromLatin1(bytes.toHex()));
        return 0;
    }
    Built b;
    b.focusAt = int(in.takeByte()) - 10; // sometimes none
    b.expected.kind = Focused::NoWindow;
    b.indented = in.takeBool();
    QByteArray json;
    build(in, 0, &b, json);
    const Focused f = focusedInSwayTree(json);
    // The tree is shown only when a check fails.
    FUZZ_CHECK(f.kind == b.expected.kind && f.id == b.expected.id && f.pid == b.expected.pid,
               QStringLiteral("found %1 %2 %3, not %4 %5 %6 in ")
                               .arg(int(f.kind))
                               .arg(f.id)
                               .arg(f.pid)
                               .arg(int(b.expected.kind))
                               .arg(b.expected.id)
                               .arg(b.expected.pid)
                       + QString::fromUtf8(json.left(2000)));
    return 0;
}
