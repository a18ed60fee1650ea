// The learned words file: any bytes read as Learned.txt, learning any text on
// top, and what is written reads back as the same model.

#include "fuzzcheck.h"

#include "learning.h"
#include "textfile.h"
#include "wordlists.h"

#include <QFile>
#include <QSet>

namespace {

// Written and read back, the model gives the same file again: as a text
// always, and on disk turns (folder given) as the file.
void checkRoundTrip(LearnedModel &model, int wordCap, int pairCap, const QString &folder)
{
    FUZZ_CHECK(model.wordCount() <= wordCap && model.pairCount() <= pairCap,
               QStringLiteral("%1 words, %2 pairs").arg(model.wordCount()).arg(model.pairCount()));
    const QString text = model.toText();
    LearnedModel fromText(wordCap, pairCap);
    fromText.fromText(text);
    FUZZ_CHECK(fromText.toText() == text, shown(text.left(300)) + QStringLiteral(" read as ")
                                                  + shown(fromText.toText().left(300)));
    if (folder.isEmpty())
        return;
    const QString path = folder + QStringLiteral("/Learned.txt");
    // A new file is the user's alone; one that is there keeps its mode.
    const bool existed = QFile::exists(path);
    const auto before = QFile::permissions(path);
    FUZZ_CHECK(model.save(path), path);
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
                        | QFileDevice::WriteOther;
    FUZZ_CHECK(existed ? QFile::permissions(path) == before : !(QFile::permissions(path) & others),
               path);
    LearnedModel again(wordCap, pairCap);
    FUZZ_CHECK(again.load(path), path);
    FUZZ_CHECK(again.toText() == text, shown(text.left(300)) + QStringLiteral(" read back as ")
                                               + shown(again.toText().left(300)));
    FUZZ_CHECK(again.wordCount() == model.wordCount() && again.pairCount() == model.pairCount(),
               shown(text.left(300)));
}

// At most four words, none twice in any letter case, none offered before
// unless nothing is learned at all.
void checkRow(const QStringList &row, const QStringList &offered, bool learning)
{
    FUZZ_CHECK(row.size() <= 4, row.join(u'/'));
    if (!learning)
        return;
    QSet<QString> keys;
    for (const QString &w : row) {
        const QString key = Learning::keyOf(w.trimmed());
        FUZZ_CHECK(!keys.contains(key), shown(row.join(u'/')));
        keys.insert(key);
        for (const QString &o : offered)
            FUZZ_CHECK(Learning::keyOf(o.trimmed()) != key,
                       shown(w) + QStringLiteral(" offered again"));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t mode = in.takeByte();
    const int wordCap = mode & 1 ? int(in.takeInt(40)) + 1 : LearnedModel::kWordCap;
    const int pairCap = mode & 1 ? int(in.takeInt(40)) + 1 : LearnedModel::kPairCap;
    const uint32_t split = in.takeInt(uint32_t(in.remaining()));
    const QByteArray file = in.takeFront(split);
    const QByteArray rest = in.rest();

    const bool disk = diskTurn();
    const QString folder = disk ? scratchFolder() : QString();
    LearnedModel model(wordCap, pairCap);
    model.fromText(TextFile::decode(file));
    if (disk) {
        QFile f(folder + QStringLiteral("/Learned.txt"));
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
                           && f.write(file) == file.size(),
                   folder);
        f.close();
        const QString asText = model.toText();
        FUZZ_CHECK(model.load(folder + QStringLiteral("/Learned.txt")), folder);
        FUZZ_CHECK(model.toText() == asText, shown(asText.left(300)));
    }
    checkRoundTrip(model, wordCap, pairCap, folder);

    // Learning a text on top, the second half of the input, with the first
    // line of the file as the shipped words and static pairs from the file.
    const QString text = mode & 2 ? utf16From(rest) : TextFile::decode(rest);
    ShippedWords shipped;
    for (const QString &w : TextFile::splitLines(TextFile::decode(file)).value(0).split(u' '))
        shipped.insert(w);
    const qsizetype cut = text.size() / 2;
    Learning::learnCommit(model, text.left(cut), text, shipped);
    checkRoundTrip(model, wordCap, pairCap, folder);

    StaticPairs pairs;
    pairs.fromText(TextFile::decode(file));
    WordTable table;
    const QString previous = Learning::previousWord(text.left(cut));
    QStringList offered = Learning::nextWords(model, pairs, previous);
    checkRow(offered, {}, true);
    const QString typed = text.mid(cut, 1 + (mode >> 4));
    for (qsizetype i = 1; i <= typed.size(); ++i) {
        const QStringList row =
                Learning::suggest(model, pairs, table, previous, typed.left(i), offered);
        checkRow(row, offered, !model.isEmpty() || !pairs.isEmpty());
        offered += row;
    }

    if (mode & 4) {
        model.forget(typed);
        FUZZ_CHECK(model.count(typed) == -1, shown(typed));
        checkRoundTrip(model, wordCap, pairCap, folder);
    }

    // Another writer replaces the file after this model wrote it: the next
    // save keeps every word of the other's at its count or more, unless the
    // sum met the cap.
    if (disk && (mode & 32)) {
        const QString path = folder + QStringLiteral("/Learned.txt");
        LearnedModel other(wordCap, pairCap);
        Learning::learn(other, text.mid(cut), shipped);
        FUZZ_CHECK(TextFile::write(path, other.toText()), path);
        Learning::learn(model, typed, shipped);
        FUZZ_CHECK(model.save(path), path);
        LearnedModel merged(wordCap, pairCap);
        FUZZ_CHECK(merged.load(path), path);
        if (merged.wordCount() < wordCap) {
            for (const LearnedModel::Word &w : other.words())
                FUZZ_CHECK(merged.count(w.word) >= qint64(w.count),
                           shown(w.word) + QStringLiteral(" lost its count"));
        }
    }

    // No name leaves its folder: a learned file linked out is not written,
    // even where the link lets it be read.
    if (disk && (mode & 8)) {
        const LinkTrap trap(folder);
        trap.plant(QStringLiteral("Linked.txt"), mode >> 4);
        const QString linked = folder + QStringLiteral("/Linked.txt");
        LearnedModel other(wordCap, pairCap);
        other.load(linked);
        Learning::learn(other, text, shipped);
        FUZZ_CHECK(!other.save(linked), linked);
        FUZZ_CHECK(trap.untouched(), shown(text.left(100)));
    }
    return 0;
}
