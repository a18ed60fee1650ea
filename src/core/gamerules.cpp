#include "gamerules.h"

#include "textfile.h"

#include <QHash>

#include <numeric>
#include <vector>

namespace GameRules {

bool isSkippedKeyboard(const QString &fileName)
{
    static const QStringList skipped = {
        QStringLiteral("home.kbd"),
        QStringLiteral("lettersupper.kbd"),
        QStringLiteral("letterslower.kbd"),
        QStringLiteral("editlettersupper.kbd"),
        QStringLiteral("editletterslower.kbd"),
        QStringLiteral("okay.kbd"),
        QStringLiteral("yesno.kbd"),
        QStringLiteral("filenaming.kbd"),
        QStringLiteral("numbers.kbd"),
        QStringLiteral("wordparts.kbd"),
    };
    return skipped.contains(fileName.toLower());
}

bool qualifies(const KeyboardFile::Record &key)
{
    // A key without a kind types nothing, and a link opens a keyboard.
    if (key.rowBreak || key.kind.isEmpty() || key.kind == u"keyboard")
        return false;
    const QString &t = key.keyText;
    return t.size() >= 5 && !t.contains(u' ') && !t.contains(u'|') && !t.contains(u'[');
}

QStringList wordPoolOfText(QStringView text)
{
    QStringList pool;
    const KeyKind *current = nullptr;
    int keys = 0;
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start < n && pool.size() < kPoolLimit && keys < KeyboardFile::kMaxKeys) {
        // Lines end at CR LF, LF or a lone CR, as the loader reads them.
        qsizetype end = start;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView line = text.mid(start, end - start);
        if (const std::optional<KeyboardFile::Record> r = KeyboardFile::parseLine(line, current)) {
            if (!r->rowBreak)
                ++keys;
            if (!line.contains(u"999|") && qualifies(*r))
                pool.append(r->keyText);
        }
        if (end < n && text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n')
            ++end;
        start = end + 1;
    }
    return pool;
}

QStringList wordPool(const QString &path)
{
    return wordPoolOfText(TextFile::read(path, TextFile::kLargestReadable).value_or(QString()));
}

std::optional<qsizetype> drawFromPool(qsizetype count, std::mt19937 &rng)
{
    if (count < 3)
        return std::nullopt;
    const qsizetype a = std::uniform_int_distribution<qsizetype>(0, count - 1)(rng);
    if (a == 0)
        return std::nullopt;
    const qsizetype b = std::uniform_int_distribution<qsizetype>(0, a - 1)(rng);
    if (b == 0)
        return std::nullopt;
    // b counts from 1.
    return b - 1;
}

std::optional<Pick> pickWord(const QStringList &fileNames,
                             const std::function<QStringList(const QString &)> &poolOf,
                             std::mt19937 &rng)
{
    // Drawing among the usable names is drawing among all of them and
    // starting over on a skipped one.  A keyboard with fewer than three
    // words fails every draw, so it leaves the candidates once seen; when
    // none is left, no word can ever come.
    QStringList candidates;
    for (const QString &name : fileNames) {
        const QString trimmed = name.trimmed();
        if (!isSkippedKeyboard(trimmed) && !candidates.contains(trimmed))
            candidates.append(trimmed);
    }
    QHash<QString, QStringList> pools;
    while (!candidates.isEmpty()) {
        const qsizetype k = std::uniform_int_distribution<qsizetype>(0, candidates.size() - 1)(rng);
        const QString name = candidates.at(k);
        auto it = pools.find(name);
        if (it == pools.end())
            it = pools.insert(name, poolOf(name));
        if (it->size() < 3) {
            candidates.removeAt(k);
            continue;
        }
        if (const std::optional<qsizetype> at = drawFromPool(it->size(), rng))
            return Pick { it->at(*at).toUpper(), name };
    }
    return std::nullopt;
}

QString scramble(const QString &word, std::mt19937 &rng)
{
    const qsizetype n = word.size();
    QString shuffled(n, QChar());
    std::vector<qsizetype> empty(static_cast<size_t>(n));
    std::iota(empty.begin(), empty.end(), qsizetype(0));
    for (qsizetype i = 0; i < n; ++i) {
        const size_t k = std::uniform_int_distribution<size_t>(0, empty.size() - 1)(rng);
        shuffled[empty[k]] = word.at(i);
        empty[k] = empty.back();
        empty.pop_back();
    }
    return shuffled;
}

QString statusText(int solved, int guesses, const QString &scrambled, const QString &hintKeyboard)
{
    // The count of solved words has a blank where a sign would go.
    QString text =
            QStringLiteral("Solved: ") + (solved < 0 ? QString() : QStringLiteral(" "))
            + QString::number(solved) + QStringLiteral(" of 5 ") + QStringLiteral(" Guesses Made: ")
            + QString::number(guesses) + QStringLiteral("\r\n")
            + QStringLiteral("Unscramble this word and find its button: ") + scrambled
            + QStringLiteral("\r\n") + QStringLiteral("Press [Return] to exit this game.\r\n");
    if (!hintKeyboard.isEmpty()) {
        QString name = hintKeyboard;
        name.remove(QStringLiteral(".kbd"), Qt::CaseSensitive);
        text += QStringLiteral("Hint: ") + name + QStringLiteral("\r\n");
    }
    return text;
}

QString finalMessage(int guesses)
{
    return QStringLiteral("You found all 5 in only ") + QString::number(guesses)
           + QStringLiteral(" guesses!");
}

} // namespace GameRules
