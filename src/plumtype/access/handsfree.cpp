// Hands-free access in the main window: the Access menu, the settings file,
// the controls that dwell and scanning can select, and the marks they draw.
#include "access/access.h"

#include "form1.h"

#include "facetext.h"
#include "sending/programtyping.h"
#include "speech/voice.h"
#include "surface/dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QHash>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRadioButton>
#include <QSettings>
#include <QToolButton>

#include <algorithm>

namespace {

using HandsFree::Id;

constexpr int kSuggestion = 200;
constexpr int kSpeak = 300;
constexpr int kEditor = 400;
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
        for (const Marks &m : std::as_const(marks)) {
            const QRect r = m.area.isEmpty() ? rect() : m.area;
            // The label of such a control sits in its middle.
            const QRect label =
                    r.adjusted(r.width() / 8, r.height() / 4, -r.width() / 8, -r.height() / 4);
            FaceButton::paintAccessMarks(p, r, label, m.dwell, m.scan);
        }
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

} // namespace

// ---- Form1's side ----

void Form1::createAccess()
{
    AccessMenu = new QMenu(QStringLiteral("&Access"), this);
    menuBar()->insertMenu(About->menuAction(), AccessMenu);
    DwellClicking = AccessMenu->addAction(QStringLiteral("&Dwell Clicking"));
    DwellClicking->setCheckable(true);
    SwitchScanning = AccessMenu->addAction(QStringLiteral("&Switch Scanning"));
    SwitchScanning->setCheckable(true);
    AccessSettings = AccessMenu->addAction(QStringLiteral("&Settings..."));
    handsFree = new HandsFreeAccess(this);
}

void Form1::accessCommand(const QString &command)
{
    if (command == u"[dwell]")
        handsFree->toggleDwell();
    else
        handsFree->showSettings();
}

bool Form1::suggestionsHeld()
{
    return handsFree && handsFree->dwell()->holdSuggestions();
}

// ---- HandsFreeAccess ----

HandsFreeAccess::HandsFreeAccess(Form1 *form) : QObject(form), m_form(form)
{
    m_elapsed.start();
    m_dwell = new DwellController(this, form);
    m_scan = new ScanController(this, form);
    load();

    connect(form->DwellClicking, &QAction::triggered, this,
            [this](bool on) { change(Id::DwellOn, on); });
    connect(form->SwitchScanning, &QAction::triggered, this,
            [this](bool on) { change(Id::ScanOn, on); });
    connect(form->AccessSettings, &QAction::triggered, this, &HandsFreeAccess::showSettings);
    // The shortcut works in every window of the program, menus locked or not.
    auto *shortcut = new QAction(this);
    shortcut->setShortcut(QKeySequence(Qt::Key_F12));
    shortcut->setShortcutContext(Qt::ApplicationShortcut);
    form->addAction(shortcut);
    connect(shortcut, &QAction::triggered, this, &HandsFreeAccess::toggleDwell);
    connect(form, &Form1::keyboardLoaded, this, &HandsFreeAccess::keyboardLoaded);
    apply();
}

HandsFreeAccess::~HandsFreeAccess()
{
    delete m_settingsWindow;
}

void HandsFreeAccess::load()
{
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
    QSettings file = settingsFile();
    file.setValue(QString(HandsFree::field(id).key), stored);
    file.sync();
    if (stored != before || id == Id::DwellOn)
        apply();
    else
        updateMenu();
}

void HandsFreeAccess::apply()
{
    m_dwell->configure();
    m_dwell->setOn(m_settings.on(Id::DwellOn));
    m_scan->configure();
    m_scan->setOn(m_settings.on(Id::ScanOn));
    updateMenu();
    paintDwellKeys();
    if (m_settingsWindow)
        m_settingsWindow->refresh();
    emit settingsChanged();
}

void HandsFreeAccess::updateMenu()
{
    m_form->DwellClicking->setChecked(m_settings.on(Id::DwellOn));
    m_form->SwitchScanning->setChecked(m_settings.on(Id::ScanOn));
}

void HandsFreeAccess::toggleDwell()
{
    if (!m_settings.on(Id::DwellOn)) {
        change(Id::DwellOn, 1);
        return;
    }
    m_paused = !m_paused;
    m_dwell->configure();
    paintDwellKeys();
    emit settingsChanged();
}

void HandsFreeAccess::showSettings()
{
    if (!m_settingsWindow) {
        m_settingsWindow = new AccessSettingsWindow(this, m_form);
        m_form->programTyping->keepFocusOff(m_settingsWindow);
        // Whatever comes to lie under a still pointer waits for it to move.
        connect(m_settingsWindow, &AccessSettingsWindow::shownOrHidden, m_dwell,
                &DwellController::keysReplaced);
        connect(m_settingsWindow, &AccessSettingsWindow::shownOrHidden, m_scan,
                &ScanController::restart);
    }
    m_settingsWindow->refresh();
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

void HandsFreeAccess::keyboardLoaded()
{
    if (m_form->killme)
        return;
    paintDwellKeys();
    m_dwell->keysReplaced();
    m_scan->restart();
}

void HandsFreeAccess::paintDwellKeys()
{
    const QString state = !m_settings.on(Id::DwellOn) ? QStringLiteral("Off")
                          : m_paused                  ? QStringLiteral("Paused")
                                                      : QStringLiteral("On");
    for (int i = 2; i <= m_form->lastbutton; ++i) {
        FaceButton *key = m_form->Command1(i);
        if (!key || key->Tag != u"letter" || key->ToolTipText != u"[dwell]")
            continue;
        const QSize kept = m_form->Picture1->size();
        m_form->Picture1->resize(key->size());
        m_form->buttons(key, QStringLiteral("Dwell ") + state, 0, FaceText::kLetterColour);
        m_form->Picture1->resize(kept);
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
    m_form->voice()->say(text);
}

bool HandsFreeAccess::speaking() const
{
    return m_form->m_speaking;
}

bool HandsFreeAccess::ours(const QWidget *window) const
{
    return window
           && (window == m_form || window == m_form->dialog
               || (m_settingsWindow && window == m_settingsWindow.data()));
}

// ---- targets ----

int HandsFreeAccess::targetId(QWidget *widget) const
{
    const Form1 *f = m_form;
    const QList<QWidget *> editor = { f->Command8, f->Command7, f->Command2, f->Command3,
                                      f->Command4, f->Command5, f->Command6, f->Option1,
                                      f->Option2,  f->Option3,  f->Option4,  f->Option5,
                                      f->Option6,  f->Option7,  f->Option8,  f->Option9,
                                      f->Option10, f->Option11, f->Option12 };
    for (QWidget *w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        if (auto *face = qobject_cast<FaceButton *>(w)) {
            for (int i = 2; i <= f->lastbutton; ++i) {
                if (f->Command1(i) == face)
                    return i;
            }
            for (int i = 0; i < 4; ++i) {
                if (f->WordSelect(i) == face)
                    return kSuggestion + i;
            }
            if (face == f->dialog->OKButton)
                return kPickerOk;
            if (face == f->dialog->CancelButton)
                return kPickerCancel;
        }
        if (w == f->Speak)
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
    const Form1 *f = m_form;
    if (id >= 2 && id <= f->lastbutton)
        return f->Command1(id);
    if (id >= kSuggestion && id < kSuggestion + 4)
        return f->WordSelect(id - kSuggestion);
    if (id == kSpeak)
        return f->Speak;
    if (id >= kEditor && id < kEditor + 19) {
        const QList<QWidget *> editor = { f->Command8, f->Command7, f->Command2, f->Command3,
                                          f->Command4, f->Command5, f->Command6, f->Option1,
                                          f->Option2,  f->Option3,  f->Option4,  f->Option5,
                                          f->Option6,  f->Option7,  f->Option8,  f->Option9,
                                          f->Option10, f->Option11, f->Option12 };
        return editor.at(id - kEditor);
    }
    if (id == kPickerOk)
        return f->dialog->OKButton;
    if (id == kPickerCancel)
        return f->dialog->CancelButton;
    if (isPickerRow(id))
        return f->dialog->File1->viewport();
    if (id >= kSettings && m_settingsWindow)
        return m_settingsWindow->button(id);
    return nullptr;
}

bool HandsFreeAccess::selectable(int id) const
{
    QWidget *w = targetWidget(id);
    if (!w || !w->isVisible() || !w->isEnabled() || m_form->loadingmap)
        return false;
    if (id >= kSuggestion && id < kSuggestion + 4)
        return !m_form->WordSelect(id - kSuggestion)->ToolTipText.trimmed().isEmpty();
    if (isPickerRow(id))
        return id - kPickerRow < m_form->dialog->File1->count();
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
        return m_form->WordSelect(id - kSuggestion)->ToolTipText.trimmed();
    if (isPickerRow(id)) {
        const QListWidgetItem *item = m_form->dialog->File1->item(id - kPickerRow);
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
    if (id >= 2 && id <= m_form->lastbutton) {
        const FaceButton *key = m_form->Command1(id);
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
                    && !m_form->killme) {
                    if (isPickerRow(id)) {
                        QListWidget *list = m_form->dialog->File1;
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
    } else if (m_form->dialog->isVisible()) {
        QList<int> chunk;
        for (int r = 0; r < std::min<int>(m_form->dialog->File1->count(), kPickerRows); ++r) {
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
        for (int i = 0; i < 19; ++i)
            editor.append(kEditor + i);
        rows(editor, QStringLiteral("Editor %1"));
        QList<int> suggestions;
        for (int i = 0; i < 4; ++i) {
            if (selectable(kSuggestion + i))
                suggestions.append(kSuggestion + i);
        }
        add(suggestions, QStringLiteral("Suggestions"));
        QList<int> keys;
        for (int i = 2; i <= m_form->lastbutton; ++i)
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
        if (isPickerRow(id))
            m.area = m_form->dialog->File1->visualItemRect(
                    m_form->dialog->File1->item(id - kPickerRow));
        o->set(id, m);
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
            QListWidget *list = m_form->dialog->File1;
            if (mark != FaceButton::ScanMark::None)
                list->scrollToItem(list->item(id - kPickerRow));
            m.area = list->visualItemRect(list->item(id - kPickerRow));
        }
        o->set(id, m);
    }
}
