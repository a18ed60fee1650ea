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

#include <vector>

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
    // While the splash picture shows, the new keyboard is read and its faces
    // are painted, out of sight: once the picture has been up its whole
    // time, the keys only have to be shown.  The picture is painted first.
    const QDeadlineTimer splashEnd(std::max(0, splashMs), Qt::PreciseTimer);
    if (splashMs > 0)
        pause(0);
    const QFileInfo requested(xFileName);
    const QString fileName = requested.fileName();
    const bool noFile = fileName == QLatin1String(".kbd") || fileName.isEmpty();
    const PreparedKeyboard prepared =
            noFile || killme ? PreparedKeyboard() : prepareKeyboard(requested);
    pause(static_cast<int>(std::max<qint64>(0, splashEnd.remainingTime())));
    Image1->hide();
    if (killme) {
        loadingmap = false;
        m_keyPanel->show();
        return;
    }

    FileName = fileName;
    if (noFile) {
        loadingmap = false;
        finishLoad();
        return;
    }
    Picture1->resize(Command1(1)->size());
    updateTitle();

    for (const PreparedKey &p : prepared.keys) {
        FaceButton *key = Command1(p.slot);
        key->setGeometry(p.place);
        keyinfo[p.slot] = p.keyInfo;
        key->ToolTipText = p.output;
        key->Tag = p.kind;
        key->setBackColor(p.back);
        showFace(key, p.face);
        key->TabIndex = p.slot;
        key->setEnabled(true);
        key->show();
        key->raise();
    }
    // Slots left over from a bigger keyboard have no label part.
    for (int i = prepared.lastbutton + 1; i <= 121 && i < static_cast<int>(keyinfo.size()); ++i)
        keyinfo[i].clear();
    lastbutton = prepared.lastbutton;
    xpos = prepared.xpos;
    ypos = prepared.ypos;
    loadingmap = false;
    finishLoad();
}

Form1::PreparedKeyboard Form1::prepareKeyboard(const QFileInfo &requested)
{
    // A file that cannot be opened reads as an empty file.  The path is the
    // caller's (a file chosen in a dialog may be anywhere); names made from
    // key texts are kept inside the Keyboards folder by keyboardPath.
    const QString fileName = requested.fileName();
    QString path;
    if (FolderLookup::isPlainName(fileName))
        path = FolderLookup::resolve(requested.absolutePath(), fileName);
    const KeyboardFile::Layout layout = path.isEmpty()
                                                ? KeyboardFile::placeText(QStringView(), fileName)
                                                : KeyboardFile::readAndPlace(path, fileName);
    PreparedKeyboard prepared;
    prepared.lastbutton = layout.lastbutton;
    prepared.xpos = layout.xpos;
    prepared.ypos = layout.ypos;

    FaceButton *anchor = Command1(1);
    const double left0 = Twips::left(anchor);
    const double top0 = Twips::top(anchor);
    const double w = Twips::width(anchor);
    const double h = Twips::height(anchor);
    int fontSize = m_lastFontSize;
    prepared.keys.reserve(static_cast<size_t>(layout.keys.size()));
    for (const KeyboardFile::PlacedKey &placed : layout.keys) {
        const KeyboardFile::Record &r = placed.record;
        PreparedKey p;
        p.slot = placed.slot;
        const double left = left0 + w * (placed.column - 1);
        const double top = top0 + h * (placed.row - 1);
        p.place = QRect(Twips::toPx(left), Twips::toPx(top), Command1(p.slot)->width(),
                        Command1(p.slot)->height());
        p.keyInfo = r.hasLabel ? r.keyText : QString();
        p.output = r.output;
        p.kind = r.kind;
        p.back = QColor(r.colour & 0xFF, (r.colour >> 8) & 0xFF, (r.colour >> 16) & 0xFF);
        QString label = r.label;
        label.replace(u' ', QLatin1String("\r\n"));
        p.face = paintFace(r.kind, r.output, label, 0, r.colour, anchor->size(),
                           Twips::height(Command1(p.slot)), fontSize);
        fontSize = p.face.fontSize;
        prepared.keys.push_back(std::move(p));
    }
    return prepared;
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
