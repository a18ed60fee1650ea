// The focused window in a sway tree, on any bytes and on trees built from
// them: bytes that are no JSON object are unreadable; in a tree the one
// focused node is found wherever it sits, a window only when it is a
// window with nothing inside it, with its id and process.

#include "fuzzcheck.h"

#include "desktopsession.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace DesktopSession;

namespace {

struct Built
{
    int nodes = 0;
    int focusAt = -1; // the n-th node made is focused
    Focused expected;
};

QJsonObject build(FuzzInput &in, int depth, Built *b)
{
    static const char *const types[] = { "root", "output", "workspace", "con", "floating_con" };
    const int index = b->nodes++;
    const QString type = QLatin1String(types[in.takeByte() % 5]);
    QJsonObject node;
    node.insert(QLatin1String("id"), index + 1);
    node.insert(QLatin1String("type"), type);
    const qint64 pid = in.takeInt(70000);
    if (in.takeBool())
        node.insert(QLatin1String("pid"), double(pid));
    QJsonArray tiled, floating;
    const int children = depth < 12 && b->nodes < 200 ? in.takeByte() % 4 : 0;
    for (int i = 0; i < children; ++i)
        (in.takeBool() ? floating : tiled).append(build(in, depth + 1, b));
    node.insert(QLatin1String("nodes"), tiled);
    node.insert(QLatin1String("floating_nodes"), floating);
    const bool focused = index == b->focusAt;
    node.insert(QLatin1String("focused"), focused);
    if (focused) {
        const bool window = (type == QLatin1String("con") || type == QLatin1String("floating_con"))
                            && children == 0;
        b->expected.kind = window ? Focused::Window : Focused::NoWindow;
        b->expected.id = index + 1;
        b->expected.pid = window && node.contains(QLatin1String("pid")) ? pid : 0;
    }
    return node;
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
    const QJsonObject root = build(in, 0, &b);
    const QByteArray json = QJsonDocument(root).toJson(in.takeBool() ? QJsonDocument::Compact
                                                                     : QJsonDocument::Indented);
    const Focused f = focusedInSwayTree(json);
    const QString detail = QString::fromUtf8(json.left(2000));
    FUZZ_CHECK(f.kind == b.expected.kind, detail);
    FUZZ_CHECK(f.id == b.expected.id, detail);
    FUZZ_CHECK(f.pid == b.expected.pid, detail);
    return 0;
}
