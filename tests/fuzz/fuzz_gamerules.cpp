// The word game's rules: a scramble holds the word's letters, a pool holds
// only words of keys on the keyboard that qualify and is never over its limit, a draw stays in its
// pool, and a pick comes from a listed keyboard's pool.

#include "fuzzcheck.h"

#include "gamerules.h"
#include "textfile.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    std::mt19937 rng(in.takeInt(0xFFFFFFFFu));

    const QString word = QString::fromUtf8(in.takeUntil('\n'));
    QString scrambled = GameRules::scramble(word, rng);
    QString sortedWord = word;
    std::sort(sortedWord.begin(), sortedWord.end());
    std::sort(scrambled.begin(), scrambled.end());
    FUZZ_CHECK(scrambled == sortedWord, shown(word));

    const qsizetype count = qsizetype(in.takeInt(300));
    if (const auto drawn = GameRules::drawFromPool(count, rng))
        FUZZ_CHECK(*drawn >= 0 && *drawn < count - 2, QString::number(*drawn));
    if (count < 3)
        FUZZ_CHECK(!GameRules::drawFromPool(count, rng), QString::number(count));

    // The rest is a keyboard file.
    const QString text = TextFile::decode(in.rest());
    const KeyboardFile::Layout layout = KeyboardFile::placeText(text, QStringLiteral("x.kbd"));
    const QStringList pool = GameRules::wordPoolOfText(text);
    FUZZ_CHECK(pool.size() <= GameRules::kPoolLimit, QString::number(pool.size()));
    for (const QString &w : pool) {
        const auto found = std::find_if(layout.keys.begin(), layout.keys.end(), [&](const auto &k) {
            return k.record.output == w && GameRules::qualifies(k.record);
        });
        FUZZ_CHECK(found != layout.keys.end(), shown(w));
    }
    const auto pick = GameRules::pickWord(
            { QStringLiteral("x.kbd"), QStringLiteral("home.kbd") },
            [&](const QString &name) {
                return name == u"x.kbd" ? pool : QStringList { QStringLiteral("HOMEWORD") };
            },
            rng);
    FUZZ_CHECK(pick.has_value() == (pool.size() >= 3), QString::number(pool.size()));
    if (pick) {
        FUZZ_CHECK(pick->keyboard == u"x.kbd", pick->keyboard);
        const bool fromPool = std::any_of(pool.begin(), pool.end(), [&](const QString &w) {
            return w.toUpper() == pick->word;
        });
        FUZZ_CHECK(fromPool, shown(pick->word));
    }
    return 0;
}
