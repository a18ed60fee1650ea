// Suggestions that learn from the user's writing: the learned model is read
// off the start-up path, fed at commit points, asked by suggest, and kept in
// "words/Learned.txt".  Everything stays as the word lists decide while
// "Learn from my writing" is off.
#include "form1.h"

#include "access/access.h"
#include "facetext.h"
#include "folderlookup.h"
#include "sending/passwordshield.h"
#include "sending/programtyping.h"
#include "typingrules.h"

#include <QThread>

using HandsFree::Id;

namespace {

const QString kLearnedFile = QStringLiteral("Learned.txt");
const QString kPairsFile = QStringLiteral("Pairs.txt");
constexpr int kSaveDelayMs = 2000;
const QString kUnreadable = QStringLiteral(
        "Plumtype could not read the words it has learned from the file words/Learned.txt. It "
        "leaves that file as it is, and it will not learn from your writing until it is "
        "started again.");

} // namespace

void Form1::createLearning()
{
    m_learnSaveTimer.setSingleShot(true);
    m_learnSaveTimer.setInterval(kSaveDelayMs);
    connect(&m_learnSaveTimer, &QTimer::timeout, this, &Form1::saveLearned);
    connect(handsFree, &HandsFreeAccess::settingsChanged, this, &Form1::learningSettingsChanged);
    connect(this, &Form1::keyboardLoaded, this, [this] {
        paintLearnKeys();
        // The model is read once the first keyboard is up.
        if (handsFree->settings().on(Id::LearnOn) && !m_learned)
            QTimer::singleShot(0, this, &Form1::loadLearning);
    });
    // Form_Unload has learned and saved what it could before this.
    connect(this, &Form1::closing, this, &Form1::learnBeforeLoaded);
}

QString Form1::learnedPath() const
{
    return FolderLookup::resolve(programPath(QStringLiteral("words")), kLearnedFile);
}

void Form1::learningSettingsChanged()
{
    const bool on = handsFree->settings().on(Id::LearnOn);
    if (on && !m_learned && !starting) {
        loadLearning();
    } else if (!on && m_learned) {
        saveLearned();
        m_learned.reset();
        m_staticPairs.reset();
    }
    paintLearnKeys();
}

void Form1::loadLearning()
{
    if (m_learned || m_learnLoader || m_learnedUnreadable || killme
        || !handsFree->settings().on(Id::LearnOn))
        return;
    struct Loaded
    {
        std::unique_ptr<LearnedModel> model = std::make_unique<LearnedModel>();
        std::unique_ptr<StaticPairs> pairs = std::make_unique<StaticPairs>();
        bool whole = false;
    };
    auto loaded = std::make_shared<Loaded>();
    const QString learned = learnedPath();
    const QString pairs = FolderLookup::resolve(programPath(QStringLiteral("words")), kPairsFile);
    const std::shared_ptr<std::atomic_bool> stop = m_learnStop;
    m_learnLoader = QThread::create([loaded, learned, pairs, stop] {
        loaded->whole = loaded->model->load(learned, stop.get());
        loaded->pairs->load(pairs, stop.get());
    });
    connect(m_learnLoader, &QThread::finished, this, [this, loaded] {
        m_learnLoader->deleteLater();
        m_learnLoader = nullptr;
        if (killme || !handsFree->settings().on(Id::LearnOn))
            return;
        if (!loaded->whole) {
            // Never written over, and nothing learned on top of a part of it.
            m_learnedUnreadable = true;
            noticeWhenFree(kUnreadable);
            return;
        }
        m_learned = std::move(loaded->model);
        m_staticPairs = std::move(loaded->pairs);
        // What stands in the typing area now was written before the model
        // came: it is learned at the next commit.
        m_lastCommitted.clear();
        emit learningLoaded();
    });
    m_learnLoader->start(QThread::LowPriority);
}

void Form1::learnAtCommit()
{
    if (!m_learned || killme || m_promptDepth > 0 || editmode || gameRunning())
        return;
    // Learning never reads what went into a password field.
    const QString text =
            programTyping ? programTyping->passwords()->forLearning(Text1->Text()) : Text1->Text();
    // While paused nothing is learned, now or later.
    if (!handsFree->settings().on(Id::LearnPaused)) {
        if (!m_shippedWords)
            m_shippedWords = std::make_unique<ShippedWords>(ShippedWords::fromTable(wordlists));
        Learning::learnCommit(*m_learned, m_lastCommitted, text, *m_shippedWords);
        if (m_learned->isChanged())
            m_learnSaveTimer.start();
    }
    m_lastCommitted = text;
}

void Form1::saveLearned()
{
    m_learnSaveTimer.stop();
    if (m_learned && m_learned->isChanged() && canSave())
        m_learned->save(learnedPath());
}

void Form1::learnBeforeLoaded()
{
    m_learnStop->store(true);
    if (m_learned || !m_learnLoader || m_learnedUnreadable || !canSave()
        || !handsFree->settings().on(Id::LearnOn) || handsFree->settings().on(Id::LearnPaused)
        || editmode || m_promptDepth > 0 || gameRunning())
        return;
    // An empty model learns the typing area; its save adds that to the file
    // as it is then, and refuses a file that cannot be read whole.
    LearnedModel fresh;
    Learning::learnCommit(fresh, m_lastCommitted, Text1->Text(),
                          ShippedWords::fromTable(wordlists));
    if (fresh.isChanged())
        fresh.save(learnedPath());
}

QList<LearnedModel::Word> Form1::learnedWords() const
{
    if (m_learned)
        return m_learned->words();
    // Learning is off: the file still tells what was learned.
    LearnedModel model;
    model.load(learnedPath());
    return model.words();
}

void Form1::forgetLearnedWord(const QString &word)
{
    if (m_learned) {
        m_learned->forget(word);
        saveLearned();
        return;
    }
    LearnedModel model;
    if (model.load(learnedPath()) && canSave()) {
        model.forget(word);
        model.save(learnedPath());
    }
}

bool Form1::forgetAllLearned()
{
    m_learnSaveTimer.stop();
    m_lastCommitted = Text1->Text();
    LearnedModel empty;
    return LearnedModel::forgetAll(m_learned ? *m_learned : empty, learnedPath());
}

void Form1::learnCommand()
{
    if (!handsFree->settings().on(Id::LearnOn)) {
        handsFree->change(Id::LearnPaused, 0);
        handsFree->change(Id::LearnOn, 1);
    } else {
        handsFree->change(Id::LearnPaused, !handsFree->settings().on(Id::LearnPaused));
    }
}

void Form1::paintLearnKeys()
{
    const QString state = !handsFree->settings().on(Id::LearnOn)      ? QStringLiteral("Off")
                          : handsFree->settings().on(Id::LearnPaused) ? QStringLiteral("Paused")
                                                                      : QStringLiteral("On");
    for (int i = 2; i <= lastbutton; ++i) {
        FaceButton *key = Command1(i);
        if (!key || key->Tag != u"letter" || key->ToolTipText != u"[learn]")
            continue;
        const QSize kept = Picture1->size();
        Picture1->resize(key->size());
        buttons(key, QStringLiteral("Learn ") + state, 0, FaceText::kLetterColour);
        Picture1->resize(kept);
    }
}

std::optional<QStringList> Form1::learnedRow(const QString &currentword, bool *nextWord)
{
    *nextWord = false;
    if (!m_learned || !handsFree->settings().on(Id::LearnOn))
        return std::nullopt;
    const QString text = Text1->Text();
    const QString before = tp > 0 ? text.left(tp) : text;

    // Right after a space, before any letter: the next word.
    if (handsFree->settings().on(Id::NextWord)
        && (before.isEmpty() || before.endsWith(u' ') || before.endsWith(u'\n'))) {
        *nextWord = true;
        m_offered.clear();
        m_offeredAt = -1;
        m_rowFor.clear();
        return Learning::nextWords(*m_learned, *m_staticPairs, Learning::previousWord(before));
    }
    if (currentword.isEmpty())
        return std::nullopt;

    // The word being typed and the word in front of it.
    QString head = before;
    while (!head.isEmpty() && head.back().isSpace())
        head.chop(1);
    if (head.endsWith(currentword, Qt::CaseInsensitive))
        head.chop(currentword.size());
    if (head.size() != m_offeredAt) {
        m_offered.clear();
        m_offeredAt = head.size();
        m_rowFor.clear();
    }
    // The rules run more than once for one click: the same letters keep the
    // same row.
    if (currentword == m_rowFor)
        return m_row;
    m_row = Learning::suggest(*m_learned, *m_staticPairs, wordlists, Learning::previousWord(head),
                              currentword, m_offered);
    m_rowFor = currentword;
    m_offered += m_row;
    return m_row;
}

void Form1::insertNextWord(const QString &word)
{
    const TypingRules::Edit e =
            TypingRules::insertWord(Text1->Text(), Text1->SelStart(), Text1->SelLength(), word);
    tp = e.tp;
    Text1->setText(e.text);
    Text1->setSelStart(TypingRules::caretFor(Text1->Text(), tp));
    Text1->setFocus();
}
