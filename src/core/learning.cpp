#include "learning.h"

#include "textfile.h"
#include "wordlists.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

#include <sys/stat.h>

namespace {

const QString &sentenceStart()
{
    static const QString s = QString::fromUtf16(Learning::kSentenceStart);
    return s;
}

bool isSentenceEnd(QChar c)
{
    return c == u'.' || c == u'!' || c == u'?' || c == u'\n' || c == u'\r';
}

// Characters of a run that may be a word: a run that holds a digit is one
// unlearnable word, not a word and a number.
bool isRunChar(QChar c)
{
    return c.isLetter() || c.isDigit() || c == u'\'';
}

QStringView trimApostrophes(QStringView run)
{
    while (!run.isEmpty() && run.front() == u'\'')
        run = run.mid(1);
    while (!run.isEmpty() && run.back() == u'\'')
        run.chop(1);
    return run;
}

// A count of the file: decimal digits only, 0 to the largest count; -1 for
// anything else.
qint64 parseCount(QStringView field)
{
    if (field.isEmpty() || field.size() > 10)
        return -1;
    qint64 v = 0;
    for (QChar c : field) {
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c.unicode() - u'0');
    }
    return v <= LearnedModel::kLargestCount ? v : -1;
}

quint32 addCounts(quint32 a, quint32 b)
{
    return quint32(std::min<quint64>(quint64(a) + b, LearnedModel::kLargestCount));
}

// Calls `line` for every line of the text, whatever its line ends, until
// `stop` is set (it is looked at every few thousand lines).
template<typename F> void forEachLine(QStringView text, F line, const std::atomic_bool *stop)
{
    qsizetype start = 0;
    const qsizetype n = text.size();
    int lines = 0;
    for (qsizetype i = 0; i <= n; ++i) {
        if (i == n || text[i] == u'\n' || text[i] == u'\r') {
            if (stop && ++lines % 4096 == 0 && stop->load())
                return;
            if (i > start)
                line(text.mid(start, i - start));
            if (i + 1 < n && text[i] == u'\r' && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
}

// The two or three tab-separated fields of a line; false for anything else.
bool splitFields(QStringView line, QStringView fields[3], int *count)
{
    int n = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == u'\t') {
            if (n == 3)
                return false;
            fields[n++] = line.mid(start, i - start);
            start = i + 1;
        }
    }
    *count = n;
    return n >= 2;
}

bool isPreviousField(QStringView field)
{
    return field == sentenceStart() || Learning::isLearnable(field);
}

// The first two characters of a key, the first in the high half.
quint32 headOf(QStringView key)
{
    const quint32 a = key.size() > 0 ? key[0].unicode() : 0;
    const quint32 b = key.size() > 1 ? key[1].unicode() : 0;
    return a << 16 | b;
}

// Does a key begin with the prefix?  Most keys are told by their head alone.
class PrefixTest
{
public:
    explicit PrefixTest(const QString &prefix)
        : m_prefix(prefix),
          m_head(headOf(prefix)),
          m_mask(prefix.isEmpty()     ? 0u
                 : prefix.size() == 1 ? 0xFFFF0000u
                                      : 0xFFFFFFFFu)
    {
    }
    bool matches(quint32 head, const QString &key) const
    {
        return (head & m_mask) == m_head && (m_prefix.size() <= 2 || key.startsWith(m_prefix));
    }

private:
    const QString &m_prefix;
    quint32 m_head;
    quint32 m_mask;
};

bool isLower(QStringView word)
{
    for (QChar c : word) {
        if (c.unicode() < 0x80 ? (c >= u'A' && c <= u'Z') : c.toLower() != c)
            return false;
    }
    return true;
}

// The lower case of a word; the word itself, sharing its text, when it is in
// lower case already.
QString lowered(const QString &word)
{
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word[i];
        const bool upper = c.unicode() < 0x80 ? (c >= u'A' && c <= u'Z') : c.toLower() != c;
        if (upper) {
            QString key = word;
            for (qsizetype j = i; j < key.size(); ++j)
                key[j] = key[j].toLower();
            return key;
        }
    }
    return word;
}

bool inSkip(const QStringList &skip, const QString &key)
{
    return skip.contains(key);
}

bool hasKey(const QList<LearnedModel::Candidate> &list, const QString &key)
{
    for (const auto &c : list) {
        if (c.key == key)
            return true;
    }
    return false;
}

} // namespace

// ---------------------------------------------------------------------------

ShippedWords ShippedWords::fromTable(const WordTable &table)
{
    ShippedWords words;
    for (int k = 1; k <= WordTable::kLetters; ++k) {
        for (int n = 1; n <= WordTable::kLengths; ++n) {
            const QString &list = table.list(k, n);
            for (QStringView entry : QStringView(list).split(u'|'))
                words.insert(entry.trimmed().toString());
        }
    }
    return words;
}

void ShippedWords::insert(const QString &entry)
{
    if (!Learning::isLearnable(entry))
        return;
    const QString key = lowered(entry);
    bool &lower = m_keys[key];
    lower = lower || entry == key;
}

bool ShippedWords::contains(const QString &word) const
{
    return m_keys.contains(lowered(word));
}

bool ShippedWords::hasLowerForm(const QString &word) const
{
    return m_keys.value(lowered(word), false);
}

// ---------------------------------------------------------------------------

void KeyIndex::clear()
{
    m_table.clear();
    m_count = 0;
}

quint32 KeyIndex::hashOf(QStringView key)
{
    const std::size_t h = qHash(key);
    return quint32(h ^ (quint64(h) >> 32));
}

void KeyIndex::place(Entry e)
{
    const std::size_t mask = m_table.size() - 1;
    std::size_t i = e.hash & mask;
    while (m_table[i].id >= 0)
        i = (i + 1) & mask;
    m_table[i] = e;
}

void KeyIndex::insert(QStringView key, int id)
{
    if ((m_count + 1) * 2 > m_table.size()) {
        std::vector<Entry> old;
        old.swap(m_table);
        m_table.assign(std::max<std::size_t>(64, old.size() * 2), Entry { 0, -1 });
        for (const Entry &e : old) {
            if (e.id >= 0)
                place(e);
        }
    }
    place({ hashOf(key), id });
    ++m_count;
}

// ---------------------------------------------------------------------------

LearnedModel::LearnedModel(int wordCap, int pairCap)
    : m_wordCap(std::max(wordCap, 1)), m_pairCap(std::max(pairCap, 1))
{
    clear();
    m_changed = false;
}

void LearnedModel::clear()
{
    m_slots.clear();
    m_ids.clear();
    m_successors.clear();
    m_sorted.clear();
    m_liveWords = 0;
    m_pairCount = 0;
    m_clock = 0;
    m_changed = true;
    m_delta = Delta();
    Slot start;
    start.key = start.written = sentenceStart();
    m_slots.push_back(start);
    m_ids.insert(start.key, 0);
    m_successors.emplace_back();
}

int LearnedModel::find(QStringView key) const
{
    return m_ids.find(key, [this](int id) -> const QString & { return m_slots[id].key; });
}

int LearnedModel::slotForWritten(QStringView written)
{
    if (isLower(written)) {
        const int id = find(written);
        if (id >= 0)
            return id;
        const QString key = written.toString();
        return slotFor(key, key);
    }
    const QString w = written.toString();
    return slotFor(lowered(w), w);
}

int LearnedModel::slotFor(const QString &key, const QString &written)
{
    const int id = find(key);
    if (id >= 0)
        return id;
    Slot slot;
    slot.key = key;
    slot.written = written == key ? key : written;
    m_slots.push_back(slot);
    m_successors.emplace_back();
    m_ids.insert(key, int(m_slots.size() - 1));
    return int(m_slots.size() - 1);
}

void LearnedModel::makeLive(int id, quint32 count, quint32 used)
{
    Slot &slot = m_slots[id];
    if (slot.live) {
        slot.count = addCounts(slot.count, count);
        slot.used = std::max(slot.used, used);
        return;
    }
    slot.live = true;
    slot.count = count;
    slot.used = used;
    ++m_liveWords;
    if (m_bulk)
        return;
    m_sorted.insert(rankedAt(slot.key), { id, slot.count, slot.used });
}

std::vector<LearnedModel::Ranked>::iterator LearnedModel::rankedAt(const QString &key)
{
    return std::lower_bound(
            m_sorted.begin(), m_sorted.end(), key,
            [this](const Ranked &r, const QString &k) { return m_slots[r.id].key < k; });
}

void LearnedModel::syncRanked(int id)
{
    const auto it = rankedAt(m_slots[id].key);
    if (it != m_sorted.end() && it->id == id) {
        it->count = m_slots[id].count;
        it->used = m_slots[id].used;
    }
}

void LearnedModel::bumpSuccessor(std::vector<Successor> &list, std::size_t i)
{
    // Most used first; among equal counts the more recently used first.
    while (i > 0
           && (list[i - 1].count < list[i].count
               || (list[i - 1].count == list[i].count && list[i - 1].used < list[i].used))) {
        std::swap(list[i - 1], list[i]);
        --i;
    }
}

void LearnedModel::addPair(int previous, int word, quint32 count, quint32 used)
{
    std::vector<Successor> &list = m_successors[previous];
    const quint32 head = headOf(m_slots[word].key);
    if (m_bulk) {
        // Duplicates are merged when the file has been read.
        list.push_back({ word, count, used, head });
        ++m_pairCount;
        return;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].word == word) {
            list[i].count = addCounts(list[i].count, count);
            list[i].used = used;
            bumpSuccessor(list, i);
            return;
        }
    }
    list.push_back({ word, count, used, head });
    ++m_pairCount;
    bumpSuccessor(list, list.size() - 1);
}

void LearnedModel::use(const QString &word, const QString &previous, bool inShippedLists)
{
    if (!Learning::isLearnable(word))
        return;
    const QString key = lowered(word);
    if (m_clock == std::numeric_limits<quint32>::max()) {
        // Renumbers the ages from 1, keeping their order and what is to be
        // added to the file.
        Delta pending = std::move(m_delta);
        fromText(toText());
        m_delta = std::move(pending);
    }
    const quint32 now = ++m_clock;
    const int id = slotFor(key, word);
    Slot &slot = m_slots[id];
    slot.written = word == key ? slot.key : word;
    const bool known = m_delta.words.contains(key);
    WordDelta &delta = m_delta.words[key];
    if (slot.live) {
        slot.count = addCounts(slot.count, 1);
        slot.used = now;
        syncRanked(id);
        delta.added = addCounts(delta.added, 1);
    } else {
        makeLive(id, inShippedLists ? 1 : 0, now);
        delta.added = addCounts(delta.added, inShippedLists ? 1 : 0);
        delta.startedAtZero = delta.startedAtZero || (!known && !inShippedLists);
    }
    delta.written = m_slots[id].written;
    delta.used = now;
    m_changed = true;
    if (m_slots[id].count == 0 || previous.isEmpty())
        return;
    const int before = find(lowered(previous));
    if (before < 0 || (before > 0 && (!m_slots[before].live || m_slots[before].count == 0)))
        return;
    addPair(before, id, 1, now);
    PairDelta &pair = m_delta.pairs[m_slots[before].key + u'\t' + key];
    pair.added = addCounts(pair.added, 1);
    pair.used = now;
}

void LearnedModel::absorb(const Delta &delta)
{
    for (const QString &key : delta.forgotten)
        forget(key);
    // Words, then pairs, each oldest use first, all newer than anything here.
    std::vector<QHash<QString, WordDelta>::const_iterator> words;
    for (auto it = delta.words.cbegin(); it != delta.words.cend(); ++it)
        words.push_back(it);
    std::sort(words.begin(), words.end(),
              [](const auto &a, const auto &b) { return a.value().used < b.value().used; });
    for (const auto &it : words) {
        const QString &key = it.key();
        const WordDelta &d = it.value();
        const quint32 now = ++m_clock;
        const int id = slotFor(key, d.written);
        Slot &slot = m_slots[id];
        slot.written = d.written == key ? slot.key : d.written;
        if (slot.live) {
            // A word this model first kept with 0 was known here already:
            // its first use counts.
            slot.count = addCounts(slot.count, addCounts(d.added, d.startedAtZero ? 1 : 0));
            slot.used = now;
            syncRanked(id);
        } else {
            makeLive(id, d.added, now);
        }
    }
    std::vector<QHash<QString, PairDelta>::const_iterator> pairs;
    for (auto it = delta.pairs.cbegin(); it != delta.pairs.cend(); ++it)
        pairs.push_back(it);
    std::sort(pairs.begin(), pairs.end(),
              [](const auto &a, const auto &b) { return a.value().used < b.value().used; });
    for (const auto &it : pairs) {
        const qsizetype tab = it.key().indexOf(u'\t');
        const QStringView previous = QStringView(it.key()).left(tab);
        const int p = previous == sentenceStart() ? 0 : find(previous);
        const int w = find(QStringView(it.key()).mid(tab + 1));
        if (p < 0 || w <= 0 || !m_slots[w].live || m_slots[w].count == 0
            || (p > 0 && (!m_slots[p].live || m_slots[p].count == 0)))
            continue;
        addPair(p, w, it.value().added, ++m_clock);
    }
    m_changed = true;
}

void LearnedModel::rebuildSorted()
{
    // Sorted by the first four characters, packed into a number, and by the
    // whole key only where those are the same: the same order as the keys'.
    struct Entry
    {
        quint64 head;
        int id;
    };
    std::vector<Entry> entries;
    entries.reserve(std::size_t(m_liveWords));
    for (int id = 1; id < int(m_slots.size()); ++id) {
        if (!m_slots[id].live)
            continue;
        const QString &key = m_slots[id].key;
        quint64 head = 0;
        for (int i = 0; i < 4; ++i)
            head = head << 16 | (i < key.size() ? key[i].unicode() : 0u);
        entries.push_back({ head, id });
    }
    std::sort(entries.begin(), entries.end(), [this](const Entry &a, const Entry &b) {
        return a.head != b.head ? a.head < b.head : m_slots[a.id].key < m_slots[b.id].key;
    });
    m_sorted.clear();
    m_sorted.reserve(entries.size());
    for (const Entry &e : entries)
        m_sorted.push_back({ e.id, m_slots[e.id].count, m_slots[e.id].used });
}

void LearnedModel::finishBulk()
{
    m_bulk = false;
    rebuildSorted();
    m_pairCount = 0;
    for (auto &list : m_successors) {
        if (list.size() > 1) {
            std::sort(list.begin(), list.end(),
                      [](const Successor &a, const Successor &b) { return a.word < b.word; });
            std::size_t out = 0;
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (out > 0 && list[out - 1].word == list[i].word) {
                    list[out - 1].count = addCounts(list[out - 1].count, list[i].count);
                    list[out - 1].used = std::max(list[out - 1].used, list[i].used);
                } else {
                    list[out++] = list[i];
                }
            }
            list.resize(out);
            std::sort(list.begin(), list.end(), [](const Successor &a, const Successor &b) {
                return a.count != b.count ? a.count > b.count : a.used > b.used;
            });
        }
        m_pairCount += int(list.size());
    }
}

void LearnedModel::trimToCaps()
{
    // Single-use entries go first, the oldest of each kind first.
    const auto older = [](quint32 countA, quint32 usedA, quint32 countB, quint32 usedB) {
        const bool singleA = countA <= 1;
        const bool singleB = countB <= 1;
        return singleA != singleB ? singleA : usedA < usedB;
    };
    if (m_liveWords > m_wordCap) {
        std::vector<int> ids;
        ids.reserve(m_liveWords);
        for (int id = 1; id < int(m_slots.size()); ++id) {
            if (m_slots[id].live)
                ids.push_back(id);
        }
        const std::size_t excess = ids.size() - std::size_t(m_wordCap);
        std::nth_element(ids.begin(), ids.begin() + excess, ids.end(), [&](int a, int b) {
            return older(m_slots[a].count, m_slots[a].used, m_slots[b].count, m_slots[b].used);
        });
        for (std::size_t i = 0; i < excess; ++i) {
            m_slots[ids[i]].live = false;
            m_slots[ids[i]].count = 0;
        }
        m_liveWords = m_wordCap;
        std::erase_if(m_sorted, [this](const Ranked &r) { return !m_slots[r.id].live; });
        m_changed = true;
    }
    if (m_pairCount > m_pairCap) {
        struct Ref
        {
            int previous;
            int index;
            quint32 count;
            quint32 used;
        };
        std::vector<Ref> refs;
        refs.reserve(m_pairCount);
        for (int p = 0; p < int(m_successors.size()); ++p) {
            const auto &list = m_successors[p];
            for (int i = 0; i < int(list.size()); ++i)
                refs.push_back({ p, i, list[i].count, list[i].used });
        }
        const std::size_t excess = refs.size() - std::size_t(m_pairCap);
        std::nth_element(refs.begin(), refs.begin() + excess, refs.end(),
                         [&](const Ref &a, const Ref &b) {
                             return older(a.count, a.used, b.count, b.used);
                         });
        // A learned pair always counts at least 1: 0 marks the ones to drop.
        for (std::size_t i = 0; i < excess; ++i)
            m_successors[refs[i].previous][refs[i].index].count = 0;
        for (std::size_t i = 0; i < excess; ++i)
            std::erase_if(m_successors[refs[i].previous],
                          [](const Successor &s) { return s.count == 0; });
        m_pairCount = m_pairCap;
        m_changed = true;
    }
}

qint64 LearnedModel::count(const QString &word) const
{
    const int id = find(lowered(word));
    return id > 0 && m_slots[id].live ? qint64(m_slots[id].count) : -1;
}

bool LearnedModel::hasLowerForm(const QString &key) const
{
    const int id = find(key);
    return id > 0 && m_slots[id].live && m_slots[id].written == key;
}

quint32 LearnedModel::pairCount(const QString &previous, const QString &word) const
{
    const int p = previous == sentenceStart() ? 0 : find(lowered(previous));
    const int w = find(lowered(word));
    if (p < 0 || w <= 0)
        return 0;
    for (const Successor &s : m_successors[p]) {
        if (s.word == w)
            return s.count;
    }
    return 0;
}

QList<LearnedModel::Word> LearnedModel::words() const
{
    std::vector<int> ids;
    for (const Ranked &r : m_sorted)
        ids.push_back(r.id);
    std::sort(ids.begin(), ids.end(), [this](int a, int b) {
        const Slot &x = m_slots[a];
        const Slot &y = m_slots[b];
        return x.count != y.count ? x.count > y.count : x.used > y.used;
    });
    QList<Word> out;
    out.reserve(qsizetype(ids.size()));
    for (int id : ids)
        out.append({ m_slots[id].written, m_slots[id].count });
    return out;
}

void LearnedModel::forget(const QString &word)
{
    const QString key = lowered(word);
    m_delta.words.remove(key);
    m_delta.pairs.removeIf([&key](const auto &pair) {
        const qsizetype tab = pair.key().indexOf(u'\t');
        return QStringView(pair.key()).left(tab) == key
               || QStringView(pair.key()).mid(tab + 1) == key;
    });
    m_delta.forgotten.insert(key);
    m_changed = true;
    const int id = find(key);
    if (id <= 0)
        return;
    Slot &slot = m_slots[id];
    if (slot.live) {
        slot.live = false;
        slot.count = 0;
        --m_liveWords;
        std::erase_if(m_sorted, [id](const Ranked &r) { return r.id == id; });
    }
    m_pairCount -= int(m_successors[id].size());
    m_successors[id].clear();
    for (auto &list : m_successors)
        m_pairCount -= int(std::erase_if(list, [id](const Successor &s) { return s.word == id; }));
    m_changed = true;
}

QString LearnedModel::toText() const
{
    struct Line
    {
        quint32 used;
        int previous; // -1 for a word line
        int word;
        quint32 count;
    };
    std::vector<Line> lines;
    lines.reserve(std::size_t(m_liveWords + m_pairCount));
    for (int id = 1; id < int(m_slots.size()); ++id) {
        if (m_slots[id].live)
            lines.push_back({ m_slots[id].used, -1, id, m_slots[id].count });
    }
    const auto words = lines.size();
    for (int p = 0; p < int(m_successors.size()); ++p) {
        for (const Successor &s : m_successors[p])
            lines.push_back({ s.used, p, s.word, s.count });
    }
    // Oldest use first, the words before the pairs.
    const auto byAge = [](const Line &a, const Line &b) { return a.used < b.used; };
    std::sort(lines.begin(), lines.begin() + qsizetype(words), byAge);
    std::sort(lines.begin() + qsizetype(words), lines.end(), byAge);

    QString text;
    text.reserve(qsizetype(lines.size()) * 20);
    for (const Line &line : lines) {
        text += QString::number(line.count);
        text += u'\t';
        if (line.previous >= 0) {
            text += m_slots[line.previous].written;
            text += u'\t';
        }
        text += m_slots[line.word].written;
        text += QLatin1String("\r\n");
    }
    return text;
}

void LearnedModel::fromText(QStringView text)
{
    fromText(text, nullptr);
}

void LearnedModel::fromText(QStringView text, const std::atomic_bool *stop)
{
    clear();
    m_bulk = true;
    forEachLine(
            text,
            [this](QStringView line) {
                QStringView f[3];
                int n = 0;
                if (!splitFields(line, f, &n))
                    return;
                const qint64 count = parseCount(f[0]);
                if (count < 0)
                    return;
                if (n == 2) {
                    if (!Learning::isLearnable(f[1]))
                        return;
                    const int id = slotForWritten(f[1]);
                    Slot &slot = m_slots[id];
                    if (slot.written != f[1])
                        slot.written = slot.key == f[1] ? slot.key : f[1].toString();
                    makeLive(id, quint32(count), ++m_clock);
                    return;
                }
                if (count == 0 || !isPreviousField(f[1]) || !Learning::isLearnable(f[2]))
                    return;
                const int p = f[1] == sentenceStart() ? 0 : slotForWritten(f[1]);
                addPair(p, slotForWritten(f[2]), quint32(count), ++m_clock);
            },
            stop);
    finishBulk();
    trimToCaps();
    m_changed = false;
}

LearnedModel::Stamp LearnedModel::stampOf(const QString &path)
{
    Stamp stamp;
    stamp.path = path;
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.size = st.st_size;
    stamp.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.inode = st.st_ino;
    return stamp;
}

bool LearnedModel::load(const QString &path, const std::atomic_bool *stop)
{
    // Taken before reading: a change made while the file is read shows as
    // a change at the next save.
    const Stamp stamp = stampOf(path);
    clear();
    m_changed = false;
    m_stamp = stamp;
    m_unreadable = false;
    if (!QFileInfo::exists(path))
        return true;
    bool whole = false;
    const auto text = TextFile::read(path, kLargestFile, &whole);
    if (text)
        fromText(*text, stop);
    m_stamp = stamp;
    m_unreadable = !text || !whole || (stop && stop->load());
    return !m_unreadable;
}

bool LearnedModel::save(const QString &path)
{
    if (m_unreadable)
        return false;
    if (!(stampOf(path) == m_stamp)) {
        // Written by someone else since, or never read here: what is there
        // now, plus what was learned and forgotten here since.
        LearnedModel merged(m_wordCap, m_pairCap);
        if (!merged.load(path))
            return false;
        merged.absorb(m_delta);
        merged.trimToCaps();
        merged.m_delta = std::move(m_delta);
        *this = std::move(merged);
    }
    if (!TextFile::write(path, toText()))
        return false;
    m_delta = Delta();
    m_changed = false;
    m_stamp = stampOf(path);
    return true;
}

bool LearnedModel::forgetAll(LearnedModel &model, const QString &path)
{
    model.clear();
    if ((QFileInfo::exists(path) || QFileInfo(path).isSymLink()) && !QFile::remove(path))
        return false;
    model.m_changed = false;
    model.m_unreadable = false;
    model.m_stamp = stampOf(path);
    return true;
}

void LearnedModel::successors(const QString &previous, const QString &prefix, int limit,
                              const QStringList &skip, QList<Candidate> *out) const
{
    const int p = find(lowered(previous));
    if (p < 0)
        return;
    const PrefixTest test(prefix);
    int found = 0;
    for (const Successor &s : m_successors[p]) {
        if (found == limit)
            break;
        const Slot &slot = m_slots[s.word];
        if (!test.matches(s.head, slot.key) || inSkip(skip, slot.key))
            continue;
        out->append({ slot.written, slot.key, double(s.count) });
        ++found;
    }
}

void LearnedModel::matchingWords(const QString &prefix, int limit, const QStringList &skip,
                                 QList<Candidate> *out) const
{
    const auto byKey = [this](const Ranked &r, const QString &k) { return m_slots[r.id].key < k; };
    const auto first = std::lower_bound(m_sorted.begin(), m_sorted.end(), prefix, byKey);
    const auto last = std::partition_point(first, m_sorted.end(), [&](const Ranked &r) {
        return m_slots[r.id].key.startsWith(prefix);
    });
    // The best ones so far, best first.
    std::vector<Ranked> best;
    best.reserve(std::size_t(limit) + 1);
    const auto better = [](const Ranked &x, const Ranked &y) {
        return x.count != y.count ? x.count > y.count : x.used > y.used;
    };
    for (auto it = first; it != last; ++it) {
        if (it->count == 0 || (int(best.size()) == limit && !better(*it, best.back())))
            continue;
        const QString &key = m_slots[it->id].key;
        if (inSkip(skip, key) || hasKey(*out, key))
            continue;
        best.insert(std::upper_bound(best.begin(), best.end(), *it, better), *it);
        if (int(best.size()) > limit)
            best.pop_back();
    }
    for (const Ranked &r : best)
        out->append({ m_slots[r.id].written, m_slots[r.id].key, double(r.count) });
}

// ---------------------------------------------------------------------------

int StaticPairs::slotFor(QStringView word, bool written)
{
    const auto keyAt = [this](int id) -> const QString & { return m_keys.at(id); };
    const bool lower = word == sentenceStart() || isLower(word);
    int id = lower ? m_ids.find(word, keyAt) : -1;
    if (id >= 0) {
        // A word written in lower case somewhere is shown in lower case.
        if (written && (!m_formKnown[id] || m_words.at(id) != m_keys.at(id))) {
            m_words[id] = m_keys.at(id);
            m_formKnown[id] = true;
        }
        return id;
    }
    const QString text = word.toString();
    const QString key = lower ? text : lowered(text);
    if (!lower)
        id = m_ids.find(key, keyAt);
    if (id >= 0) {
        if (written && !m_formKnown[id]) {
            m_words[id] = text;
            m_formKnown[id] = true;
        }
        return id;
    }
    m_formKnown.push_back(written);
    m_words.append(text);
    m_keys.append(key);
    m_successors.emplace_back();
    m_ids.insert(key, int(m_keys.size() - 1));
    return int(m_keys.size() - 1);
}

void StaticPairs::fromText(QStringView text, const std::atomic_bool *stop)
{
    m_words.clear();
    m_formKnown.clear();
    m_keys.clear();
    m_ids.clear();
    m_successors.clear();
    m_totals.clear();
    m_pairCount = 0;
    slotFor(sentenceStart(), true);
    forEachLine(
            text,
            [this](QStringView line) {
                QStringView f[3];
                int n = 0;
                if (!splitFields(line, f, &n) || n != 3)
                    return;
                const qint64 count = parseCount(f[0]);
                if (count <= 0 || !isPreviousField(f[1]) || !Learning::isLearnable(f[2]))
                    return;
                const int p = slotFor(f[1], false);
                const int w = slotFor(f[2], true);
                m_successors[p].push_back({ w, quint32(count), headOf(m_keys.at(w)) });
            },
            stop);
    m_totals.assign(m_successors.size(), 0.0);
    for (std::size_t p = 0; p < m_successors.size(); ++p) {
        auto &list = m_successors[p];
        std::sort(list.begin(), list.end(),
                  [](const Successor &a, const Successor &b) { return a.word < b.word; });
        std::size_t out = 0;
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (out > 0 && list[out - 1].word == list[i].word)
                list[out - 1].count = addCounts(list[out - 1].count, list[i].count);
            else
                list[out++] = list[i];
        }
        list.resize(out);
        list.shrink_to_fit();
        std::stable_sort(list.begin(), list.end(),
                         [](const Successor &a, const Successor &b) { return a.count > b.count; });
        for (const Successor &s : list)
            m_totals[p] += s.count;
        m_pairCount += int(list.size());
    }
}

bool StaticPairs::load(const QString &path, const std::atomic_bool *stop)
{
    const auto text = TextFile::read(path, kLargestFile);
    fromText(text ? QStringView(*text) : QStringView(), stop);
    return text.has_value() && !(stop && stop->load());
}

void StaticPairs::successors(const QString &previous, const QString &prefix, int limit,
                             const QStringList &skip, QList<LearnedModel::Candidate> *out) const
{
    const int p = m_ids.find(lowered(previous),
                             [this](int id) -> const QString & { return m_keys.at(id); });
    if (p < 0)
        return;
    const PrefixTest test(prefix);
    int found = 0;
    for (const Successor &s : m_successors[std::size_t(p)]) {
        if (found == limit)
            break;
        const QString &key = m_keys.at(s.word);
        if (!test.matches(s.head, key) || inSkip(skip, key))
            continue;
        out->append({ m_words.at(s.word), key, s.count / m_totals[std::size_t(p)] });
        ++found;
    }
}

// ---------------------------------------------------------------------------

namespace Learning {

bool isLearnable(QStringView word)
{
    if (word.isEmpty() || word.size() > LearnedModel::kLongestWord || word.front() == u'\''
        || word.back() == u'\'')
        return false;
    for (QChar c : word) {
        if (!c.isLetter() && c != u'\'')
            return false;
    }
    return true;
}

QString keyOf(QStringView word)
{
    return lowered(word.toString());
}

QString previousWord(QStringView textBefore)
{
    qsizetype end = textBefore.size();
    while (end > 0 && !isRunChar(textBefore[end - 1])) {
        if (isSentenceEnd(textBefore[end - 1]))
            return sentenceStart();
        --end;
    }
    if (end == 0)
        return sentenceStart();
    qsizetype start = end;
    while (start > 0 && isRunChar(textBefore[start - 1]))
        --start;
    const QStringView word = trimApostrophes(textBefore.mid(start, end - start));
    if (word.isEmpty())
        return previousWord(textBefore.left(start));
    return isLearnable(word) ? keyOf(word) : QString();
}

void learn(LearnedModel &model, QStringView text, const ShippedWords &shipped, QStringView before)
{
    QString previous = previousWord(before);
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (isSentenceEnd(c)) {
            previous = sentenceStart();
            ++i;
            continue;
        }
        if (!isRunChar(c)) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < n && isRunChar(text[end]))
            ++end;
        const QStringView word = trimApostrophes(text.mid(i, end - i));
        i = end;
        if (word.isEmpty())
            continue;
        if (!isLearnable(word)) {
            previous.clear();
            continue;
        }
        const QString key = keyOf(word);
        const bool lower = previous == sentenceStart()
                           && (shipped.hasLowerForm(key) || model.hasLowerForm(key));
        model.use(lower ? key : word.toString(), previous, shipped.contains(key));
        previous = key;
    }
    model.trimToCaps();
}

Unlearned unlearnedPart(const QString &lastCommitted, const QString &now)
{
    const qsizetype shorter = std::min(lastCommitted.size(), now.size());
    qsizetype prefix = 0;
    while (prefix < shorter && lastCommitted[prefix] == now[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix
           && lastCommitted[lastCommitted.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    qsizetype start = prefix;
    qsizetype end = now.size() - suffix;
    if (start >= end)
        return {};
    // A change that starts or ends inside a word takes the whole word.
    if (start > 0 && isRunChar(now[start - 1]) && isRunChar(now[start])) {
        while (start > 0 && isRunChar(now[start - 1]))
            --start;
    }
    if (end < now.size() && isRunChar(now[end - 1]) && isRunChar(now[end])) {
        while (end < now.size() && isRunChar(now[end]))
            ++end;
    }
    return { now.left(start), now.mid(start, end - start) };
}

void learnCommit(LearnedModel &model, const QString &lastCommitted, const QString &now,
                 const ShippedWords &shipped)
{
    const Unlearned part = unlearnedPart(lastCommitted, now);
    if (!part.fresh.isEmpty())
        learn(model, part.fresh, shipped, part.before);
}

namespace {

// Successors of `previous` beginning with `prefix`, learned and static merged,
// best first.  Each side gives its best few; a word found on one side only
// scores that side.
QList<LearnedModel::Candidate> mergedSuccessors(const LearnedModel &model, const StaticPairs &pairs,
                                                const QString &previous, const QString &prefix,
                                                const QStringList &skip)
{
    constexpr int kEachSide = 8;
    QList<LearnedModel::Candidate> merged;
    model.successors(previous, prefix, kEachSide, skip, &merged);
    QList<LearnedModel::Candidate> fromPairs;
    pairs.successors(previous, prefix, kEachSide, skip, &fromPairs);
    for (auto &c : fromPairs) {
        const double score = kStaticWeight * c.score;
        auto it = std::find_if(merged.begin(), merged.end(),
                               [&](const LearnedModel::Candidate &m) { return m.key == c.key; });
        if (it != merged.end()) {
            it->score += score;
        } else {
            c.score = score;
            merged.append(c);
        }
    }
    std::stable_sort(merged.begin(), merged.end(),
                     [](const auto &a, const auto &b) { return a.score > b.score; });
    return merged;
}

} // namespace

QStringList suggest(const LearnedModel &model, const StaticPairs &pairs, const WordTable &table,
                    const QString &previous, const QString &typed, const QStringList &offered)
{
    if (model.isEmpty() && pairs.isEmpty())
        return WordLists::suggest(table, typed);

    QStringList skip;
    skip.reserve(offered.size());
    for (const QString &w : offered)
        skip.append(lowered(w.trimmed()));
    QString prefix = typed;
    prefix.replace(QLatin1String("\r\n"), QLatin1String(" "));
    prefix = lowered(prefix);

    QList<LearnedModel::Candidate> row;
    if (!prefix.isEmpty()) {
        if (!previous.isEmpty()) {
            for (const auto &c : mergedSuccessors(model, pairs, previous, prefix, skip)) {
                if (row.size() == 4)
                    break;
                row.append(c);
            }
        }
        if (row.size() < 4)
            model.matchingWords(prefix, 4 - int(row.size()), skip, &row);
    }
    QStringList out;
    for (const auto &c : row)
        out.append(c.word);
    const QStringList keys = [&] {
        QStringList k;
        for (const auto &c : row)
            k.append(c.key);
        return k;
    }();
    QStringList taken = keys;
    for (const QString &entry : WordLists::suggest(table, typed)) {
        if (out.size() == 4)
            break;
        const QString key = lowered(entry.trimmed());
        if (taken.contains(key) || skip.contains(key))
            continue;
        out.append(entry);
        taken.append(key);
    }
    return out;
}

QStringList nextWords(const LearnedModel &model, const StaticPairs &pairs, const QString &previous)
{
    if (previous.isEmpty())
        return {};
    QStringList out;
    for (const auto &c : mergedSuccessors(model, pairs, previous, QString(), {})) {
        if (out.size() == 4)
            break;
        out.append(c.word);
    }
    return out;
}

} // namespace Learning
