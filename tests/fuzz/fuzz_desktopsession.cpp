// The focused window in a sway tree, on any bytes and on trees built from
// them: bytes that are no JSON object are unreadable; in a tree the one
// focused node is found wherever it sits, a window only when it is a
// window with nothing inside it, with its id and process.
//
// A tree is written as JSON by hand, as QJsonDocument::toJson() writes it
// (keys in order, compact or indented): building QJsonObjects cost most of
// every run.  On one input in sixteen (every input of a regression run) the
// same tree is also built with QJsonObjects, and the texts must be equal.

#include "fuzzcheck.h"

#include "desktopsession.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>

using namespace DesktopSession;

namespace {

constexpr int kMaxNodes = 200;
constexpr int kMaxDepth = 12;

struct Node
{
    int type = 0; // index in kTypes
    qint64 pid = 0;
    bool hasPid = false;
    int children = 0;
    std::array<int, 3> child {};     // node indexes, in the order made
    std::array<bool, 3> floating {}; // a floating node, not a tiled one
};

constexpr const char *kTypes[] = { "root", "output", "workspace", "con", "floating_con" };

struct Built
{
    // Every node there can be: once kMaxNodes are made no node gets
    // children, but the nodes on the way down still make the children they
    // were given, at most three below and two beside each.
    std::array<Node, kMaxNodes + 3 + 2 * (kMaxDepth + 1)> nodes;
    int count = 0;
    int focusAt = -1; // the n-th node made is focused
    Focused expected;
};

// Takes a node and its children from the input, depth first; its index.
int build(FuzzInput &in, int depth, Built *b)
{
    const int index = b->count++;
    Node &node = b->nodes[index];
    node = Node();
    node.type = in.takeByte() % 5;
    const qint64 pid = in.takeInt(70000);
    node.hasPid = in.takeBool();
    node.pid = pid;
    node.children = depth < kMaxDepth && b->count < kMaxNodes ? in.takeByte() % 4 : 0;
    for (int i = 0; i < node.children; ++i) {
        const bool floating = in.takeBool();
        const int child = build(in, depth + 1, b);
        b->nodes[index].child[i] = child;
        b->nodes[index].floating[i] = floating;
    }
    if (index == b->focusAt) {
        const bool window = (node.type == 3 || node.type == 4) && node.children == 0;
        b->expected.kind = window ? Focused::Window : Focused::NoWindow;
        b->expected.id = index + 1;
        b->expected.pid = window && node.hasPid ? pid : 0;
    }
    return index;
}

// The tree as QJsonDocument::toJson() writes it: the keys in order
// (floating_nodes, focused, id, nodes, pid, type), compact, or indented by
// four spaces a level with a space after each colon.
class Writer
{
public:
    // Writes into `json`, which keeps its room from one input to the next:
    // an indented tree of 200 nodes takes up to 150 KB, and growing it again
    // for every input cost more than writing it.
    Writer(const Built &b, bool compact, QByteArray &json)
        : m_b(b), m_compact(compact), m_json(json)
    {
    }

    const QByteArray &write()
    {
        m_json.resize(0);
        m_json.reserve(m_b.count * (m_compact ? 90 : 260));
        writeNode(0, 0);
        if (!m_compact)
            m_json += '\n';
        return m_json;
    }

private:
    void indent(int level)
    {
        if (!m_compact)
            m_json.append(4 * level, ' ');
    }

    void key(const char *name, int level)
    {
        indent(level);
        m_json += '"';
        m_json += name;
        m_json += m_compact ? "\":" : "\": ";
    }

    void next(bool last)
    {
        if (!last)
            m_json += ',';
        if (!m_compact)
            m_json += '\n';
    }

    void children(int index, bool floating, int level)
    {
        const Node &node = m_b.nodes[index];
        m_json += m_compact ? "[" : "[\n";
        int left = 0;
        for (int i = 0; i < node.children; ++i)
            left += node.floating[i] == floating;
        for (int i = 0; i < node.children; ++i) {
            if (node.floating[i] != floating)
                continue;
            indent(level + 1);
            writeNode(node.child[i], level + 1);
            next(--left == 0);
        }
        indent(level);
        m_json += ']';
    }

    void writeNode(int index, int level)
    {
        const Node &node = m_b.nodes[index];
        m_json += m_compact ? "{" : "{\n";
        key("floating_nodes", level + 1);
        children(index, true, level + 1);
        next(false);
        key("focused", level + 1);
        m_json += index == m_b.focusAt ? "true" : "false";
        next(false);
        key("id", level + 1);
        m_json += QByteArray::number(index + 1);
        next(false);
        key("nodes", level + 1);
        children(index, false, level + 1);
        next(false);
        if (node.hasPid) {
            key("pid", level + 1);
            m_json += QByteArray::number(node.pid);
            next(false);
        }
        key("type", level + 1);
        m_json += '"';
        m_json += kTypes[node.type];
        m_json += '"';
        next(true);
        indent(level);
        m_json += '}';
    }

    const Built &m_b;
    bool m_compact;
    QByteArray &m_json;
};

// The same tree built with QJsonObjects, as the writer's check.
QJsonObject qtTree(const Built &b, int index)
{
    const Node &node = b.nodes[index];
    QJsonObject object;
    object.insert(QLatin1String("id"), index + 1);
    object.insert(QLatin1String("type"), QLatin1String(kTypes[node.type]));
    if (node.hasPid)
        object.insert(QLatin1String("pid"), double(node.pid));
    QJsonArray tiled, floating;
    for (int i = 0; i < node.children; ++i)
        (node.floating[i] ? floating : tiled).append(qtTree(b, node.child[i]));
    object.insert(QLatin1String("nodes"), tiled);
    object.insert(QLatin1String("floating_nodes"), floating);
    object.insert(QLatin1String("focused"), index == b.focusAt);
    return object;
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
    static Built b; // 10 KB, made once
    b.count = 0;
    b.focusAt = int(in.takeByte()) - 10; // sometimes none
    b.expected = Focused();
    b.expected.kind = Focused::NoWindow;
    build(in, 0, &b);
    const bool compact = in.takeBool();
    static QByteArray written;
    const QByteArray &json = Writer(b, compact, written).write();
    if (diskTurn()) {
        const QByteArray qt =
                QJsonDocument(qtTree(b, 0))
                        .toJson(compact ? QJsonDocument::Compact : QJsonDocument::Indented);
        FUZZ_CHECK(json == qt, QString::fromUtf8(json.left(2000) + "\n" + qt.left(2000)));
    }
    const Focused f = focusedInSwayTree(json);
    const auto detail = [&json] { return QString::fromUtf8(json.left(2000)); };
    FUZZ_CHECK(f.kind == b.expected.kind, detail());
    FUZZ_CHECK(f.id == b.expected.id, detail());
    FUZZ_CHECK(f.pid == b.expected.pid, detail());
    return 0;
}
