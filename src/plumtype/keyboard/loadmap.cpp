// The keyboard map: the key buttons Command1(2) to Command1(lastbutton) are the
// loaded keyboard.  Command1(1) is the hidden anchor whose place is the grid's
// origin and whose size is every key's size.
#include "form1.h"

#include "folderlookup.h"
#include "keyboardfile.h"
#include "surface/twips.h"
#include "textrules.h"

#include <QDeadlineTimer>
#include <QFileInfo>

void Form1::clearmap()
{
    for (int i = 0; i < 4; ++i)
        WordSelect(i)->setEnabled(false);
    FaceButton *anchor = Command1(1);
    for (int i = 1; i <= 121; ++i) {
        FaceButton *key = Command1(i);
        if (!key) {
            key = new FaceButton(m_keyPanel);
            key->resize(anchor->size());
            key->setFont(anchor->font());
            connect(key, &QAbstractButton::clicked, this, [this, i] {
                Command1_Click(i);
                liveSync();
            });
            Command1.set(i, key);
        }
        key->hide();
        key->setEnabled(false);
        key->move(anchor->pos());
        key->TabIndex = 0;
        key->ToolTipText.clear();
        key->Tag.clear();
        key->raise();
    }
}

void Form1::loadmap(const QString &xFileName)
{
    loadingmap = true;
    m_keyPanel->hide();
    clearmap();

    Twips::setTop(Image1, windowHeight() / 2 - Twips::height(Image1) / 2);
    Twips::setLeft(Image1, windowWidth() / 2 - Twips::width(Image1) / 2);
    Image1->raise();
    Image1->show();
    pause(splashMs);
    Image1->hide();
    if (killme) {
        loadingmap = false;
        m_keyPanel->show();
        return;
    }

    const QFileInfo requested(xFileName);
    FileName = requested.fileName();
    if (FileName == QLatin1String(".kbd") || FileName.isEmpty()) {
        loadingmap = false;
        finishLoad();
        return;
    }
    Picture1->resize(Command1(1)->size());

    // A file that cannot be opened reads as an empty file.  The path is the
    // caller's (a file chosen in a dialog may be anywhere); names made from
    // key texts are kept inside the Keyboards folder by keyboardPath.
    QString path;
    if (FolderLookup::isPlainName(FileName))
        path = FolderLookup::resolve(requested.absolutePath(), FileName);

    updateTitle();

    const KeyboardFile::Layout layout = path.isEmpty()
                                                ? KeyboardFile::placeText(QStringView(), FileName)
                                                : KeyboardFile::readAndPlace(path, FileName);
    FaceButton *anchor = Command1(1);
    const double left0 = Twips::left(anchor);
    const double top0 = Twips::top(anchor);
    const double w = Twips::width(anchor);
    const double h = Twips::height(anchor);
    for (const KeyboardFile::PlacedKey &placed : layout.keys) {
        FaceButton *key = Command1(placed.slot);
        const KeyboardFile::Record &r = placed.record;
        Twips::setLeft(key, left0 + w * (placed.column - 1));
        Twips::setTop(key, top0 + h * (placed.row - 1));
        keyinfo[placed.slot] = r.hasLabel ? r.keyText : QString();
        key->ToolTipText = r.output;
        QString label = r.label;
        label.replace(u' ', QLatin1String("\r\n"));
        key->Tag = r.kind;
        key->setBackColor(QColor(r.colour & 0xFF, (r.colour >> 8) & 0xFF, (r.colour >> 16) & 0xFF));
        buttons(key, label, 0, r.colour);
        key->TabIndex = placed.slot;
        key->setEnabled(true);
        key->show();
        key->raise();
    }
    // Slots left over from a bigger keyboard have no label part.
    for (int i = layout.lastbutton + 1; i <= 121 && i < static_cast<int>(keyinfo.size()); ++i)
        keyinfo[i].clear();
    lastbutton = layout.lastbutton;
    xpos = layout.xpos;
    ypos = layout.ypos;
    loadingmap = false;
    finishLoad();
}

void Form1::finishLoad()
{
    m_keyPanel->show();
    // A resize that came while the keyboard loaded is carried out now, so the
    // keys always match the window's final size.
    if (m_resizePending) {
        m_resizePending = false;
        scheduleResize();
    }
    emit keyboardLoaded();
}

int Form1::wordcount(const QString &textme)
{
    return TextRules::wordcount(textme);
}

void Form1::pause(int ms)
{
    if (killme)
        return;
    // The whole time, never less: a coarse timer may fire up to a twentieth
    // early, so the timer is precise, and a wake before the deadline sleeps
    // again for the rest.  Pending events run at least once.
    const QDeadlineTimer deadline(std::max(0, ms), Qt::PreciseTimer);
    QEventLoop loop;
    QTimer timer(this);
    timer.setObjectName(QStringLiteral("pause"));
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &Form1::closing, &loop, &QEventLoop::quit);
    do {
        timer.start(static_cast<int>(std::max<qint64>(0, deadline.remainingTime())));
        loop.exec();
    } while (!killme && !deadline.hasExpired());
}
