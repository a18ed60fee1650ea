// Hands-free access in the main window: the Access menu, the settings file,
// the controls that dwell and scanning can select, and the marks they draw.
#include "access/access.h"

#include "accessmarks.h"
#include "textfile.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QListWidget>
#include <QPainter>
#include <QSettings>

#include <algorithm>

namespace {

using HandsFree::Id;

constexpr int kSuggestion = 200;
constexpr int kSpeak = 300;
constexpr int kEditor = 400;
constexpr int kEditorControls = 19;
constexpr int kPickerOk = 500;
constexpr int kPickerCancel = 501;
constexpr int kPickerRow = 600;
constexpr int kPickerRows = 400;
constexpr int kSettings = 1000;
constexpr int kPickerGroup = 6; // rows of the picker's list per scan group

bool isPickerRow(int id)
{
    return id >= kPickerRow && id < kPickerRow + kPickerRows;
}

// The marks of a control that paints no face of its own (Speak, the editor's
// arrows and choices, the picker's list): a child on top of it that lets the
// pointer through.
class MarkOverlay : public QWidget
{
public:
    explicit MarkOverlay(QWidget *under) : QWidget(under)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(under->rect());
        under->installEventFilter(this);
    }
    struct Marks
    {
        double dwell = -1;
        FaceButton::ScanMark scan = FaceButton::ScanMark::None;
        QRect area; // empty: the whole control
    };
    QHash<int, Marks> marks;

    void set(int id, const Marks &m)
    {
        if (m.dwell < 0 && m.scan == FaceButton::ScanMark::None)
            marks.remove(id);
        else
            marks.insert(id, m);
        setVisible(!marks.isEmpty());
        raise();
        update();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == parent() && event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        return false;
    }
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        for (const Marks &m : std::as_const(marks))
            FaceButton::paintAccessMarks(p, m.area.isEmpty() ? rect() : m.area, m.dwell, m.scan);
    }
};

// The frame round a highlighted group: a child of the group's window over
// the group's bounds, shaped to the frame alone, that lets the pointer
// through.  It lies outside the group, so that it hides no label of the
// group's keys, except at the window's edges, where it lies over them.
class GroupFrame : public QWidget
{
public:
    explicit GroupFrame(QWidget *window) : QWidget(window)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }
    void frame(const QRect &group)
    {
        const int w = AccessMarks::kFrameWidth;
        const QRect outer = group.adjusted(-w, -w, w, w).intersected(parentWidget()->rect());
        setGeometry(outer);
        setMask(QRegion(rect()).subtracted(QRegion(rect().adjusted(w, w, -w, -w))));
        show();
        raise();
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor::fromRgb(FaceButton::markColour()));
    }
};

MarkOverlay *overlayOf(QWidget *w, bool make)
{
    for (QObject *child : w->children()) {
        if (auto *o = dynamic_cast<MarkOverlay *>(child))
            return o;
    }
    return make ? new MarkOverlay(w) : nullptr;
}

QSettings settingsFile()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("plumtype"),
                     QStringLiteral("plumtype"));
}

// The settings file's path, found without reading it (QSettings reads its
// file when it is made): it lies beside the file of another name.
QString settingsPath()
{
    const QSettings beside(QSettings::NativeFormat, QSettings::UserScope,
                           QStringLiteral("plumtype"), QStringLiteral("plumtype-none"));
    return QFileInfo(beside.fileName()).absolutePath() + QStringLiteral("/plumtype.conf");
}

} // namespace

// ---- HandsFreeAccess ----

HandsFreeAccess::HandsFreeAccess(WindowFace *face) : QObject(face->window()), m_face(face)
{
    using Item = WindowFace::MenuItem;
    m_elapsed.start();
    m_dwell = new DwellController(this);
    m_scan = new ScanController(this);
    load();

    connect(face->menuItem(Item::DwellClicking), &QAction::triggered, this,
            [this](bool on) { change(Id::DwellOn, on); });
    connect(face->menuItem(Item::SwitchScanning), &QAction::triggered, this,
            [this](bool on) { change(Id::ScanOn, on); });
    connect(face->menuItem(Item::AccessSettings), &QAction::triggered, this,
            &HandsFreeAccess::showSettings);
    // The shortcut works in every window of the program, menus locked or not.
    auto *shortcut = new QAction(this);
    shortcut->setShortcut(QKeySequence(Qt::Key_F12));
    shortcut->setShortcutContext(Qt::ApplicationShortcut);
    face->window()->addAction(shortcut);
    connect(shortcut, &QAction::triggered, this, &HandsFreeAccess::toggleDwell);
    connect(face, &WindowFace::keyboardLoaded, this, &HandsFreeAccess::keyboardLoaded);
    apply();
}

HandsFreeAccess::~HandsFreeAccess()
{
    delete m_settingsWindow;
}

void HandsFreeAccess::load()
{
    const QString path = settingsPath();
    if (QFileInfo(path).size() > TextFile::kLargestSettingsFile) {
        m_fileIgnored = true;
        m_face->noticeWhenFree(
                QStringLiteral("The settings file %1 is far too large to be Plumtype's own. "
                               "Plumtype leaves it as it is and starts with its usual settings; "
                               "settings changed now are not kept.")
                        .arg(QDir::toNativeSeparators(path)));
        return;
    }
    QSettings file = settingsFile();
    for (const HandsFree::Field &f : HandsFree::fields())
        m_settings.set(f.id, HandsFree::read(f.id, file.value(QString(f.key))).value);
}

void HandsFreeAccess::change(Id id, int value)
{
    const int before = m_settings.value(id);
    const int stored = m_settings.set(id, value);
    if (id == Id::DwellOn)
        m_paused = false;
    if (id == Id::ScanOn)
        m_scan->setPaused(false);
    if (!m_fileIgnored) {
        QSettings file = settingsFile();
        file.setValue(QString(HandsFree::field(id).key), stored);
        file.sync();
    }
    if (stored != before || id == Id::DwellOn || id == Id::ScanOn)
        apply();
    else
        updateMenu();
}

void HandsFreeAccess::apply()
{
    const QRgb colour = AccessMarks::colour(m_settings.value(Id::MarkColour));
    if (colour != FaceButton::markColour()) {
        FaceButton::setMarkColour(colour);
        // The marks on screen take the new colour.
        for (QWidget *window : m_face->windows() + QList<QWidget *> { m_face->window() }) {
            for (QWidget *w : window->findChildren<QWidget *>())
                w->update();
        }
    }
    m_dwell->configure();
    m_dwell->setOn(m_settings.on(Id::DwellOn));
    m_scan->configure();
    m_scan->setOn(m_settings.on(Id::ScanOn));
    updateMenu();
    paintStateKeys();
    if (m_settingsWindow)
        m_settingsWindow->refresh();
    emit settingsChanged();
}

void HandsFreeAccess::updateMenu()
{
    m_face->menuItem(WindowFace::MenuItem::DwellClicking)->setChecked(m_settings.on(Id::DwellOn));
    m_face->menuItem(WindowFace::MenuItem::SwitchScanning)->setChecked(m_settings.on(Id::ScanOn));
}

void HandsFreeAccess::toggleDwell()
{
    if (!m_settings.on(Id::DwellOn)) {
        change(Id::DwellOn, 1);
        return;
    }
    m_paused = !m_paused;
    m_dwell->configure();
    paintStateKeys();
    emit settingsChanged();
}

void HandsFreeAccess::toggleScan()
{
    if (!m_settings.on(Id::ScanOn)) {
        change(Id::ScanOn, 1);
        return;
    }
    m_scan->setPaused(!m_scan->isPaused());
    paintStateKeys();
    emit settingsChanged();
}

bool HandsFreeAccess::scanPaused() const
{
    return m_scan->isPaused();
}

void HandsFreeAccess::showSettings()
{
    if (!m_settingsWindow) {
        m_settingsWindow = new AccessSettingsWindow(this, m_face->window());
        m_face->addWindow(m_settingsWindow);
        // Whatever comes to lie under a still pointer waits for it to move.
        connect(m_settingsWindow, &AccessSettingsWindow::shownOrHidden, m_dwell,
                &DwellController::keysReplaced);
        connect(m_settingsWindow, &AccessSettingsWindow::shownOrHidden, m_scan,
                &ScanController::restart);
        // Another section shows other controls, under the pointer too.
        connect(m_settingsWindow, &AccessSettingsWindow::groupsChanged, m_dwell,
                &DwellController::windowAppeared);
        connect(m_settingsWindow, &AccessSettingsWindow::groupsChanged, m_scan,
                &ScanController::restart);
    }
    m_settingsWindow->refresh();
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

void HandsFreeAccess::keyboardLoaded()
{
    if (m_face->isClosing())
        return;
    paintStateKeys();
    m_dwell->keysReplaced();
    m_scan->keysReloaded();
}

bool HandsFreeAccess::isStateKey(int id, const QString &command) const
{
    const FaceButton *key = id >= 2 && id <= m_face->lastKey() ? m_face->key(id) : nullptr;
    return key && key->Tag == u"letter" && key->ToolTipText == command;
}

void HandsFreeAccess::paintStateKeys()
{
    // Paused shows in amber, so that it is seen at a glance.
    const struct
    {
        const char *command;
        const char *name;
        bool on;
        bool paused;
    } states[] = {
        { "[dwell]", "Dwell ", m_settings.on(Id::DwellOn), m_paused },
        { "[scan]", "Scan ", m_settings.on(Id::ScanOn), m_scan->isPaused() },
    };
    for (int i = 2; i <= m_face->lastKey(); ++i) {
        for (const auto &state : states) {
            if (!isStateKey(i, QLatin1String(state.command)))
                continue;
            const QString caption = QLatin1String(state.name)
                                    + (!state.on      ? QStringLiteral("Off")
                                       : state.paused ? QStringLiteral("Paused")
                                                      : QStringLiteral("On"));
            m_face->paintStateKey(i, caption,
                                  state.on && state.paused ? AccessMarks::kPausedColour : 0);
        }
    }
}

void HandsFreeAccess::say(const QString &text)
{
    if (text.isEmpty() || speaking())
        return;
    if (speakSeam) {
        speakSeam(text);
        return;
    }
    m_face->say(text);
}

bool HandsFreeAccess::speaking() const
{
    return m_face->speaking();
}

bool HandsFreeAccess::ours(const QWidget *window) const
{
    return m_face->ownWindow(window);
}

// ---- targets ----

int HandsFreeAccess::targetId(QWidget *widget) const
{
    const QList<QWidget *> editor = m_face->editorControls();
    for (QWidget *w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        if (auto *face = qobject_cast<FaceButton *>(w)) {
            for (int i = 2; i <= m_face->lastKey(); ++i) {
                if (m_face->key(i) == face)
                    return i;
            }
            for (int i = 0; i < 4; ++i) {
                if (m_face->suggestion(i) == face)
                    return kSuggestion + i;
            }
            if (face == m_face->pickerOk())
                return kPickerOk;
            if (face == m_face->pickerCancel())
                return kPickerCancel;
        }
        if (w == m_face->speakButton())
            return kSpeak;
        if (const qsizetype e = editor.indexOf(w); e >= 0)
            return kEditor + static_cast<int>(e);
        if (const QVariant v = w->property("accessTarget"); v.isValid())
            return v.toInt();
    }
    return 0;
}

QWidget *HandsFreeAccess::targetWidget(int id) const
{
    if (id >= 2 && id <= m_face->lastKey())
        return m_face->key(id);
    if (id >= kSuggestion && id < kSuggestion + 4)
        return m_face->suggestion(id - kSuggestion);
    if (id == kSpeak)
        return m_face->speakButton();
    if (id >= kEditor && id < kEditor + kEditorControls)
        return m_face->editorControls().value(id - kEditor);
    if (id == kPickerOk)
        return m_face->pickerOk();
    if (id == kPickerCancel)
        return m_face->pickerCancel();
    if (isPickerRow(id))
        return m_face->pickerList()->viewport();
    if (id >= kSettings && m_settingsWindow)
        return m_settingsWindow->button(id);
    return nullptr;
}

bool HandsFreeAccess::selectable(int id) const
{
    QWidget *w = targetWidget(id);
    if (!w || !w->isVisible() || !w->isEnabled() || m_face->loadingKeyboard())
        return false;
    if (id >= kSuggestion && id < kSuggestion + 4)
        return !m_face->suggestion(id - kSuggestion)->ToolTipText.trimmed().isEmpty();
    if (isPickerRow(id))
        return id - kPickerRow < m_face->pickerList()->count();
    // A desktop dialog in front of the window takes the input.
    const QWidget *modal = QApplication::activeModalWidget();
    return !modal || ours(modal);
}

QString HandsFreeAccess::spokenName(int id) const
{
    QWidget *w = targetWidget(id);
    if (!w)
        return QString();
    if (id >= kSuggestion && id < kSuggestion + 4)
        return m_face->suggestion(id - kSuggestion)->ToolTipText.trimmed();
    if (isPickerRow(id)) {
        const QListWidgetItem *item = m_face->pickerList()->item(id - kPickerRow);
        return item ? item->text() : QString();
    }
    if (!w->accessibleName().isEmpty())
        return w->accessibleName();
    if (auto *face = qobject_cast<FaceButton *>(w))
        return face->spokenName();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->text().remove(u'&');
    return QString();
}

int HandsFreeAccess::completionMs(int id) const
{
    if (id >= kSuggestion && id < kSuggestion + 4)
        return m_settings.value(Id::SuggestionDwellMs);
    if (id >= 2 && id <= m_face->lastKey()) {
        const FaceButton *key = m_face->key(id);
        static const QStringList erasing = { QStringLiteral("[clear]"), QStringLiteral("[delete]"),
                                             QStringLiteral("[back]") };
        if (key->Tag == u"letter" && erasing.contains(key->ToolTipText))
            return m_settings.value(Id::EraseDwellMs);
    }
    return m_settings.value(Id::DwellMs);
}

void HandsFreeAccess::select(int id, const std::function<void()> &after)
{
    const QPointer<QWidget> widget = targetWidget(id);
    QMetaObject::invokeMethod(
            this,
            [this, id, widget, after] {
                if (widget && widget == targetWidget(id) && selectable(id) && !speaking()
                    && !m_face->isClosing()) {
                    if (isPickerRow(id)) {
                        QListWidget *list = m_face->pickerList();
                        list->setCurrentRow(id - kPickerRow);
                        list->item(id - kPickerRow)->setSelected(true);
                    } else if (auto *button = qobject_cast<QAbstractButton *>(widget.data())) {
                        button->click();
                    }
                }
                if (after)
                    after();
            },
            Qt::QueuedConnection);
}

QList<QList<int>> HandsFreeAccess::scanGroups(QStringList *names) const
{
    QList<QList<int>> groups;
    QStringList labels;
    auto add = [&](const QList<int> &group, const QString &label) {
        if (group.isEmpty())
            return;
        groups.append(group);
        labels.append(label);
    };
    // Controls in rows by their height on the window, left to right.
    auto rows = [&](const QList<int> &ids, const QString &label) {
        QList<std::pair<QPoint, int>> placed;
        for (int id : ids) {
            if (selectable(id)) {
                QWidget *w = targetWidget(id);
                placed.append({ w->mapTo(w->window(), QPoint(0, 0)), id });
            }
        }
        std::stable_sort(placed.begin(), placed.end(), [](const auto &a, const auto &b) {
            return a.first.y() != b.first.y() ? a.first.y() < b.first.y()
                                              : a.first.x() < b.first.x();
        });
        QList<int> row;
        int y = INT_MIN;
        int n = 0;
        for (const auto &[at, id] : placed) {
            if (!row.isEmpty() && at.y() != y) {
                add(row, label.arg(++n));
                row.clear();
            }
            y = at.y();
            row.append(id);
        }
        add(row, label.arg(++n));
    };

    if (m_settingsWindow && m_settingsWindow->isVisible()) {
        groups = m_settingsWindow->scanGroups(&labels);
    } else if (m_face->picker()->isVisible()) {
        QList<int> chunk;
        for (int r = 0; r < std::min<int>(m_face->pickerList()->count(), kPickerRows); ++r) {
            chunk.append(kPickerRow + r);
            if (chunk.size() == kPickerGroup) {
                add(chunk, QStringLiteral("Files"));
                chunk.clear();
            }
        }
        add(chunk, QStringLiteral("Files"));
        add({ kPickerOk, kPickerCancel }, QStringLiteral("Load or cancel"));
    } else {
        QList<int> editor;
        for (int i = 0; i < kEditorControls; ++i)
            editor.append(kEditor + i);
        rows(editor, QStringLiteral("Editor %1"));
        QList<int> suggestions;
        for (int i = 0; i < 4; ++i) {
            if (selectable(kSuggestion + i))
                suggestions.append(kSuggestion + i);
        }
        add(suggestions, QStringLiteral("Suggestions"));
        QList<int> keys;
        for (int i = 2; i <= m_face->lastKey(); ++i)
            keys.append(i);
        rows(keys, QStringLiteral("Row %1"));
        if (selectable(kSpeak))
            add({ kSpeak }, QStringLiteral("Speak"));
    }
    if (names)
        *names = labels;
    return groups;
}

// ---- marks ----

void HandsFreeAccess::setDwellMark(int id, double progress)
{
    QWidget *w = targetWidget(id);
    if (auto *face = qobject_cast<FaceButton *>(w)) {
        face->setAccessMarks(progress, face->scanMark());
    } else if (w) {
        MarkOverlay *o = overlayOf(w, progress >= 0);
        if (!o)
            return;
        MarkOverlay::Marks m = o->marks.value(id);
        m.dwell = progress;
        if (isPickerRow(id)) {
            const QListWidget *list = m_face->pickerList();
            m.area = list->visualItemRect(list->item(id - kPickerRow));
        }
        o->set(id, m);
    }
}

QRect HandsFreeAccess::targetArea(int id, QWidget **window) const
{
    QWidget *w = targetWidget(id);
    if (!w)
        return QRect();
    *window = w->window();
    QRect r(w->mapTo(*window, QPoint(0, 0)), w->size());
    if (isPickerRow(id)) {
        const QListWidget *list = m_face->pickerList();
        const QRect item = list->visualItemRect(list->item(id - kPickerRow));
        r = QRect(list->viewport()->mapTo(*window, item.topLeft()), item.size());
    }
    return r;
}

void HandsFreeAccess::setGroupFrame(const QList<int> &ids)
{
    QWidget *window = nullptr;
    QRect bounds;
    for (int id : ids) {
        QWidget *in = nullptr;
        const QRect r = targetArea(id, &in);
        if (!in || !in->isVisible() || (window && in != window))
            continue;
        window = in;
        bounds = bounds.united(r);
    }
    for (QWidget *w : m_face->windows() + QList<QWidget *> { m_face->window() }) {
        GroupFrame *frame = nullptr;
        for (QObject *child : w->children()) {
            if (auto *f = dynamic_cast<GroupFrame *>(child))
                frame = f;
        }
        if (w == window && !bounds.isEmpty()) {
            if (!frame)
                frame = new GroupFrame(w);
            frame->frame(bounds);
        } else if (frame) {
            frame->hide();
        }
    }
}

void HandsFreeAccess::setScanMark(int id, FaceButton::ScanMark mark)
{
    QWidget *w = targetWidget(id);
    if (auto *face = qobject_cast<FaceButton *>(w)) {
        face->setAccessMarks(face->dwellProgress(), mark);
    } else if (w) {
        MarkOverlay *o = overlayOf(w, mark != FaceButton::ScanMark::None);
        if (!o)
            return;
        MarkOverlay::Marks m = o->marks.value(id);
        m.scan = mark;
        if (isPickerRow(id)) {
            QListWidget *list = m_face->pickerList();
            if (mark != FaceButton::ScanMark::None)
                list->scrollToItem(list->item(id - kPickerRow));
            m.area = list->visualItemRect(list->item(id - kPickerRow));
        }
        o->set(id, m);
    }
}
