// The settings window of hands-free access: one line per setting, with its
// range, its value and large buttons that change it at once.  The buttons
// are painted faces like the keys, so dwell and scanning reach them too.
#include "access/access.h"

#include "surface/twips.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QListWidget>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

using HandsFree::Id;
using HandsFree::Kind;

namespace {

constexpr int kFirstId = 1000;
constexpr int kButtonHeight = 44;
const QColor kButtonColour(0xC1, 0xFF, 0xFF);

} // namespace

AccessSettingsWindow::AccessSettingsWindow(HandsFreeAccess *access, QWidget *parent)
    : QWidget(parent, Qt::Window), m_access(access)
{
    setWindowTitle(QStringLiteral("Plumtype - Access Settings"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);

    auto *outer = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *hint = new QLabel(QStringLiteral("Changes take effect at once.  F12 pauses dwell "
                                           "clicking and takes it up again."),
                            this);
    hint->setFont(Fonts::verdana(9, false));
    top->addWidget(hint, 1);
    m_close = makeButton(QStringLiteral("Close"), 140);
    connect(m_close, &QAbstractButton::clicked, this, &QWidget::hide);
    top->addWidget(m_close);
    outer->addLayout(top);

    // Two columns: dwell clicking with learning below it, switch scanning
    // with typing into other programs below it.  A feature's switch heads
    // its part.
    auto *columns = new QHBoxLayout;
    outer->addLayout(columns);
    std::array<QGridLayout *, 2> grids {};
    std::array<int, 2> lines {};
    for (QGridLayout *&g : grids) {
        g = new QGridLayout;
        g->setVerticalSpacing(4);
        columns->addLayout(g);
    }
    const auto heads = [](Id id) {
        return id == Id::DwellOn || id == Id::ScanOn || id == Id::LiveTyping || id == Id::LearnOn;
    };
    for (const HandsFree::Field &f : HandsFree::fields()) {
        const int column = (f.id < Id::ScanOn || f.id >= Id::LearnOn) ? 0 : 1;
        QGridLayout *grid = grids[column];
        int &line = lines[column];
        if (heads(f.id) && line > 0)
            grid->setRowMinimumHeight(line++, 16);
        Row row { f.id, nullptr, {} };
        const QString range = HandsFree::range(f.id);
        auto *name = new QLabel(
                range.isEmpty() ? QString(f.label) : QString(f.label) + u'\n' + range, this);
        name->setFont(Fonts::verdana(heads(f.id) ? 11 : 9, heads(f.id)));
        grid->addWidget(name, line, 0);
        row.value = new QLabel(this);
        row.value->setFont(Fonts::verdana(12, true));
        row.value->setAlignment(Qt::AlignCenter);
        row.value->setMinimumWidth(110);
        const int index = static_cast<int>(m_rows.size());
        switch (f.kind) {
        case Kind::Toggle:
        case Kind::Choice: {
            // One button that shows the value and moves it on.
            FaceButton *b = makeButton(QString(), 3 * kButtonHeight + 110);
            connect(b, &QAbstractButton::clicked, this, [this, id = f.id] {
                const HandsFree::Field &field = HandsFree::field(id);
                const int v = m_access->settings().value(id);
                m_access->change(id, v >= field.max ? field.min : v + 1);
            });
            row.buttons = { b };
            grid->addWidget(b, line, 1, 1, 3);
            row.value->hide();
            break;
        }
        case Kind::Key: {
            FaceButton *b = makeButton(QStringLiteral("Choose"), kButtonHeight * 2);
            connect(b, &QAbstractButton::clicked, this, [this, index] {
                m_capturing = index;
                refresh();
            });
            row.buttons = { b };
            grid->addWidget(row.value, line, 1, 1, 2);
            grid->addWidget(b, line, 3);
            break;
        }
        default: {
            FaceButton *minus = makeButton(QStringLiteral("-"), kButtonHeight + 16);
            FaceButton *plus = makeButton(QStringLiteral("+"), kButtonHeight + 16);
            for (const auto &button : { std::pair { minus, -1 }, std::pair { plus, 1 } }) {
                const int direction = button.second;
                connect(button.first, &QAbstractButton::clicked, this,
                        [this, id = f.id, direction] {
                            m_access->change(id,
                                             HandsFree::stepped(id, m_access->settings().value(id),
                                                                direction));
                        });
            }
            row.buttons = { minus, plus };
            grid->addWidget(minus, line, 1);
            grid->addWidget(row.value, line, 2);
            grid->addWidget(plus, line, 3);
            break;
        }
        }
        for (FaceButton *b : std::as_const(row.buttons))
            b->setAccessibleName(QString(f.label) + u' ' + b->accessibleName());
        m_rows.append(row);
        ++line;
        if (f.id == Id::Auditory) {
            addSwitchDevice(grid, line);
            line += 2;
        }
    }
    addLearnedWords(grids[0], lines[0]);
    lines[0] += 2;

    for (int c = 0; c < 2; ++c)
        grids[c]->setRowStretch(lines[c], 1);
    refresh();
    adjustSize();
}

void AccessSettingsWindow::addLearnedWords(QGridLayout *grid, int line)
{
    auto *title = new QLabel(QStringLiteral("Learned words"), this);
    title->setFont(Fonts::verdana(9, false));
    // Large buttons choose the word, so that dwell and scanning can too.
    m_wordUp = makeButton(QStringLiteral("Up"), 2 * kButtonHeight);
    m_wordDown = makeButton(QStringLiteral("Down"), 2 * kButtonHeight);
    auto *chooser = new QVBoxLayout;
    chooser->addWidget(title);
    chooser->addWidget(m_wordUp);
    chooser->addWidget(m_wordDown);
    chooser->addStretch(1);
    grid->addLayout(chooser, line, 0);
    for (const auto &[button, step] : { std::pair { m_wordUp, -1 }, std::pair { m_wordDown, 1 } }) {
        connect(button, &QAbstractButton::clicked, this, [this, step = step] {
            const int row = std::clamp(m_learned->currentRow() + step, 0,
                                       std::max(0, m_learned->count() - 1));
            if (m_learned->count() > 0)
                m_learned->setCurrentRow(row);
        });
    }
    m_learned = new QListWidget(this);
    m_learned->setFont(Fonts::verdana(12, false));
    m_learned->setFixedHeight(3 * kButtonHeight);
    grid->addWidget(m_learned, line, 1, 1, 3);
    m_forgetWord = makeButton(QStringLiteral("Forget word"), 2 * kButtonHeight + 40);
    m_forgetAll = makeButton(QStringLiteral("Forget all"), 2 * kButtonHeight + 40);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_forgetWord);
    buttons->addWidget(m_forgetAll);
    grid->addLayout(buttons, line + 1, 1, 1, 3);

    connect(m_forgetWord, &QAbstractButton::clicked, this, [this] {
        const QListWidgetItem *item = m_learned->currentItem();
        if (!item)
            return;
        m_access->face()->forgetLearnedWord(item->data(Qt::UserRole).toString());
        refreshLearned();
    });
    // Everything goes only when asked twice.
    connect(m_forgetAll, &QAbstractButton::clicked, this, [this] {
        if (!m_forgetAllAsked) {
            m_forgetAllAsked = true;
            paintFace(m_forgetAll, QStringLiteral("Sure? Forget"));
            return;
        }
        m_access->face()->forgetAllLearned();
        refreshLearned();
    });
    connect(m_access->face(), &WindowFace::learningLoaded, this,
            &AccessSettingsWindow::refreshLearned);
}

void AccessSettingsWindow::refreshLearned()
{
    m_forgetAllAsked = false;
    paintFace(m_forgetAll, QStringLiteral("Forget all"));
    const QString kept = m_learned->currentItem()
                                 ? m_learned->currentItem()->data(Qt::UserRole).toString()
                                 : QString();
    m_learned->clear();
    for (const LearnedModel::Word &w : m_access->face()->learnedWords()) {
        auto *item = new QListWidgetItem(w.word + QStringLiteral("  (") + QString::number(w.count)
                                         + u')');
        item->setData(Qt::UserRole, w.word);
        m_learned->addItem(item);
        if (w.word == kept)
            m_learned->setCurrentItem(item);
    }
    if (!m_learned->currentItem() && m_learned->count() > 0)
        m_learned->setCurrentRow(0);
}

FaceButton *AccessSettingsWindow::makeButton(const QString &text, int width)
{
    auto *b = new FaceButton(this);
    b->setBackColor(kButtonColour);
    b->setFixedSize(width, kButtonHeight);
    b->setProperty("accessTarget", kFirstId + static_cast<int>(m_buttons.size()));
    m_buttons.append(b);
    paintFace(b, text);
    return b;
}

void AccessSettingsWindow::paintFace(FaceButton *button, const QString &text)
{
    QPixmap face(button->size());
    face.fill(kButtonColour);
    QPainter p(&face);
    p.setFont(Fonts::verdana(text.size() == 1 ? 18 : 12, true));
    p.setPen(Qt::black);
    p.drawText(face.rect(), Qt::AlignCenter, text);
    p.end();
    button->setPicture(face);
    button->paintedCaption = text;
    if (text == u"+")
        button->setAccessibleName(QStringLiteral("more"));
    else if (text == u"-")
        button->setAccessibleName(QStringLiteral("less"));
}

QString AccessSettingsWindow::valueText(Id id) const
{
    const int v = m_access->settings().value(id);
    if (HandsFree::field(id).kind == Kind::Key)
        return QKeySequence(v).toString(QKeySequence::NativeText);
    return HandsFree::display(id, v);
}

void AccessSettingsWindow::refresh()
{
    for (int i = 0; i < m_rows.size(); ++i) {
        const Row &row = m_rows.at(i);
        const Kind kind = HandsFree::field(row.id).kind;
        if (kind == Kind::Toggle || kind == Kind::Choice) {
            paintFace(row.buttons.first(), valueText(row.id));
        } else {
            row.value->setText(m_capturing == i ? QStringLiteral("Press a key")
                                                : valueText(row.id));
        }
    }
    refreshSwitchDevice();
}

QAbstractButton *AccessSettingsWindow::button(int id) const
{
    return m_buttons.value(id - kFirstId);
}

QList<QList<int>> AccessSettingsWindow::scanGroups(QStringList *names) const
{
    QList<QList<int>> groups { { m_close->property("accessTarget").toInt() } };
    QStringList labels { QStringLiteral("Close") };
    for (const Row &row : m_rows) {
        QList<int> ids;
        for (const FaceButton *b : row.buttons)
            ids.append(b->property("accessTarget").toInt());
        groups.append(ids);
        labels.append(QString(HandsFree::field(row.id).label));
        if (row.id == Id::Auditory) {
            groups.append(QList<int> { m_switchDevice->property("accessTarget").toInt() });
            labels.append(QStringLiteral("Switch device"));
        }
    }
    groups.append({ m_wordUp->property("accessTarget").toInt(),
                    m_wordDown->property("accessTarget").toInt(),
                    m_forgetWord->property("accessTarget").toInt(),
                    m_forgetAll->property("accessTarget").toInt() });
    labels.append(QStringLiteral("Learned words"));
    if (names)
        *names = labels;
    return groups;
}

void AccessSettingsWindow::capture(int key)
{
    if (m_capturing < 0)
        return;
    // Modifier keys alone are no switches; Escape keeps the key there was.
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta
        || key == Qt::Key_unknown || key == 0)
        return;
    const Id id = m_rows.at(m_capturing).id;
    m_capturing = -1;
    if (key != Qt::Key_Escape)
        m_access->change(id, key == Qt::Key_Enter ? int(Qt::Key_Return) : key);
    refresh();
}

void AccessSettingsWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refreshLearned();
    emit shownOrHidden();
}

void AccessSettingsWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_capturing = -1;
    emit shownOrHidden();
}

void AccessSettingsWindow::keyPressEvent(QKeyEvent *event)
{
    if (capturing()) {
        capture(event->key());
        return;
    }
    QWidget::keyPressEvent(event);
}
