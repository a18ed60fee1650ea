// The settings window of hands-free access: a row of section buttons, and
// the section shown with one line per setting: its name and range, its value
// and large buttons that change it at once.  The buttons are painted faces
// like the keys, so dwell and scanning reach them too.  Every text is at
// least 12 points.
#include "access/access.h"

#include "surface/twips.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QListWidget>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

using HandsFree::Id;
using HandsFree::Kind;

namespace {

constexpr int kFirstId = 1000;
constexpr int kButtonHeight = 44;
constexpr int kTextPoints = 12;
const QColor kButtonColour(0xC1, 0xFF, 0xFF);
// The section shown is white among the cyan ones.
const QColor kShownColour(0xFF, 0xFF, 0xFF);

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
    // Close and the sections, in the order scanning takes them.
    auto *top = new QHBoxLayout;
    const QFontMetrics metrics(Fonts::verdana(kTextPoints, true));
    const auto widthFor = [&metrics](const QString &text) {
        return std::max(120, metrics.horizontalAdvance(text) + 32);
    };
    m_close = makeButton(QStringLiteral("Close"), widthFor(QStringLiteral("Close")), this);
    connect(m_close, &QAbstractButton::clicked, this, &QWidget::hide);
    top->addWidget(m_close);
    top->addSpacing(16);
    m_pages = new QStackedWidget(this);
    const std::span<const HandsFree::Section> sections = HandsFree::sections();
    for (int i = 0; i < int(sections.size()); ++i) {
        const QString name(sections[size_t(i)].name);
        FaceButton *b = makeButton(name, widthFor(name), this);
        b->setAccessibleName(QStringLiteral("Section ") + name);
        connect(b, &QAbstractButton::clicked, this, [this, i] { openSection(i); });
        m_sectionButtons.append(b);
        top->addWidget(b);
    }
    top->addStretch(1);
    outer->addLayout(top);
    outer->addWidget(makeLabel(QStringLiteral("Changes take effect at once.  F12 pauses dwell "
                                              "clicking and takes it up again."),
                               this));

    for (const HandsFree::Section &section : sections) {
        auto *page = new QWidget(m_pages);
        auto *grid = new QGridLayout(page);
        grid->setVerticalSpacing(4);
        grid->setContentsMargins(0, 8, 0, 0);
        int line = 0;
        for (Id id : section.ids) {
            const HandsFree::Field &f = HandsFree::field(id);
            Row row { f.id, nullptr, {} };
            const QString range = HandsFree::range(f.id);
            grid->addWidget(
                    makeLabel(range.isEmpty() ? QString(f.label) : QString(f.label) + u'\n' + range,
                              page),
                    line, 0);
            row.value = makeLabel(QString(), page, true);
            row.value->setAlignment(Qt::AlignCenter);
            row.value->setMinimumWidth(110);
            const int index = static_cast<int>(m_rows.size());
            switch (f.kind) {
            case Kind::Toggle:
            case Kind::Choice: {
                // One button that shows the value and moves it on, from the
                // last value back to the first.
                FaceButton *b = makeButton(QString(), 3 * kButtonHeight + 110, page);
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
                FaceButton *b = makeButton(QStringLiteral("Choose"), kButtonHeight * 2, page);
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
                FaceButton *minus = makeButton(QStringLiteral("-"), kButtonHeight + 16, page);
                FaceButton *plus = makeButton(QStringLiteral("+"), kButtonHeight + 16, page);
                for (const auto &button : { std::pair { minus, -1 }, std::pair { plus, 1 } }) {
                    const int direction = button.second;
                    connect(button.first, &QAbstractButton::clicked, this,
                            [this, id = f.id, direction] {
                                m_access->change(
                                        id, HandsFree::stepped(id, m_access->settings().value(id),
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
        }
        if (section.ids.contains(Id::Switch1Key)) {
            addSwitchDevice(grid, line);
            line += 2;
        }
        if (section.ids.contains(Id::LearnOn)) {
            addLearnedWords(grid, line);
            line += 2;
        }
        grid->setRowStretch(line, 1);
        grid->setColumnStretch(4, 1);
        m_pages->addWidget(page);
    }
    outer->addWidget(m_pages, 1);
    openSection(0);
    m_scanned = -1;
    refresh();
    adjustSize();
}

QLabel *AccessSettingsWindow::makeLabel(const QString &text, QWidget *parent, bool bold)
{
    auto *label = new QLabel(text, parent);
    label->setFont(Fonts::verdana(kTextPoints, bold));
    return label;
}

void AccessSettingsWindow::openSection(int index)
{
    if (index < 0 || index >= m_pages->count())
        return;
    m_shown = index;
    m_scanned = index;
    m_pages->setCurrentIndex(index);
    for (int i = 0; i < m_sectionButtons.size(); ++i) {
        FaceButton *b = m_sectionButtons.at(i);
        b->setBackColor(i == index ? kShownColour : kButtonColour);
        paintFace(b, b->paintedCaption);
    }
    emit groupsChanged();
}

void AccessSettingsWindow::addLearnedWords(QGridLayout *grid, int line)
{
    QWidget *page = grid->parentWidget();
    QLabel *title = makeLabel(QStringLiteral("Learned words"), page);
    // Large buttons choose the word, so that dwell and scanning can too.
    m_wordUp = makeButton(QStringLiteral("Up"), 2 * kButtonHeight, page);
    m_wordDown = makeButton(QStringLiteral("Down"), 2 * kButtonHeight, page);
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
    m_learned = new QListWidget(page);
    m_learned->setFont(Fonts::verdana(kTextPoints, false));
    m_learned->setFixedHeight(3 * kButtonHeight);
    grid->addWidget(m_learned, line, 1, 1, 3);
    m_forgetWord = makeButton(QStringLiteral("Forget word"), 2 * kButtonHeight + 50, page);
    m_forgetAll = makeButton(QStringLiteral("Forget all"), 2 * kButtonHeight + 50, page);
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

FaceButton *AccessSettingsWindow::makeButton(const QString &text, int width, QWidget *parent)
{
    auto *b = new FaceButton(parent);
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
    face.fill(button->backColor());
    QPainter p(&face);
    p.setFont(Fonts::verdana(text.size() == 1 ? 18 : kTextPoints, true));
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

QList<int> AccessSettingsWindow::ids(const QList<FaceButton *> &buttons) const
{
    QList<int> found;
    for (const FaceButton *b : buttons)
        found.append(b->property("accessTarget").toInt());
    return found;
}

QList<QList<int>> AccessSettingsWindow::scanGroups(QStringList *names) const
{
    QList<QList<int>> groups;
    QStringList labels;
    const std::span<const HandsFree::Section> sections = HandsFree::sections();
    if (m_scanned < 0) {
        groups.append(ids({ m_close }));
        labels.append(QStringLiteral("Close"));
        for (int i = 0; i < m_sectionButtons.size(); ++i) {
            groups.append(ids({ m_sectionButtons.at(i) }));
            labels.append(QString(sections[size_t(i)].name));
        }
    } else {
        const HandsFree::Section &section = sections[size_t(m_scanned)];
        for (const Row &row : m_rows) {
            if (!section.ids.contains(row.id))
                continue;
            groups.append(ids(row.buttons));
            labels.append(QString(HandsFree::field(row.id).label));
        }
        if (section.ids.contains(Id::Switch1Key)) {
            groups.append(ids({ m_switchDevice }));
            labels.append(QStringLiteral("Switch device"));
        }
        if (section.ids.contains(Id::LearnOn)) {
            groups.append(ids({ m_wordUp, m_wordDown, m_forgetWord, m_forgetAll }));
            labels.append(QStringLiteral("Learned words"));
        }
        groups.append(ids(QList<FaceButton *> { m_close } + m_sectionButtons));
        labels.append(QStringLiteral("Sections"));
    }
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
    // Scanning starts at Close and the sections.
    m_scanned = -1;
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
