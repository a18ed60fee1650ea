#include "form1.h"

#include "access/access.h"
#include "folderlookup.h"
#include "keyboardfile.h"
#include "sending/programtyping.h"
#include "surface/dialog.h"
#include "surface/twips.h"

#include "pictograms.h"

#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

namespace {

QPalette backPalette(const QPalette &base, const QColor &back, const QColor &fore = Qt::black)
{
    QPalette p = base;
    p.setColor(QPalette::Window, back);
    p.setColor(QPalette::Base, back);
    p.setColor(QPalette::Button, back);
    p.setColor(QPalette::WindowText, fore);
    return p;
}

} // namespace

QStringList FileList::files() const
{
    QDir dir(Path);
    return dir.entryList({ Pattern }, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

Form1::Form1(const QString &programFolder, const QString &readOnlyReason, QWidget *parent)
    : QMainWindow(parent), m_programFolder(programFolder), m_readOnlyReason(readOnlyReason)
{
    m_client = new QWidget(this);
    m_client->setAutoFillBackground(true);
    setCentralWidget(m_client);
    setFont(Fonts::msSansSerif(8.25, true));
    setWindowTitle(QStringLiteral("Plumtype"));
    // The icons are not needed for the first sight of the window: they are
    // drawn a moment after the first keyboard is up.
    connect(
            this, &Form1::keyboardLoaded, this,
            [this] { QTimer::singleShot(kIconDelayMs, this, &Form1::drawIcons); },
            Qt::SingleShotConnection);
    createControls();
    createMenus();
    connectHandlers();

    m_resizeTimer.setSingleShot(true);
    m_resizeTimer.setInterval(60);
    connect(&m_resizeTimer, &QTimer::timeout, this, &Form1::Form_Resize);

    Form_Load();
}

void Form1::drawIcons()
{
    QGuiApplication::setWindowIcon(
            QPixmap::fromImage(Pictograms::drawSoon(QStringLiteral("plumtype"), QSize(64, 64))));
    setWindowIcon(
            QIcon(QPixmap::fromImage(Pictograms::drawSoon(QStringLiteral("splash"), { 64, 64 }))));
}

Form1::~Form1()
{
    killme = true;
    // The learned model may still be being read.
    if (m_learnLoader)
        m_learnLoader->wait();
    // Typing into other programs and hands-free access go before the face of
    // the window they hold.
    delete programTyping;
    programTyping = nullptr;
    delete handsFree;
    handsFree = nullptr;
}

QString Form1::programPath(const QString &relative) const
{
    return FolderLookup::resolve(m_programFolder, relative);
}

QString Form1::keyboardPath(const QString &fileName) const
{
    // The name keeps the case it was asked for: the loader finds the file.  A
    // name that would lead out of the folder names no file at all.
    return programPath(QStringLiteral("Keyboards")) + u'/'
           + (FolderLookup::isPlainName(fileName) ? fileName : QString());
}

void Form1::createControls()
{
    QWidget *c = m_client;

    Speak = new QToolButton(c);
    Speak->setText(QStringLiteral("Speak"));
    Speak->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Speak->setIcon(
            QIcon(QPixmap::fromImage(Pictograms::draw(QStringLiteral("speak"), { 37, 37 }))));
    Speak->setIconSize({ 37, 37 });
    Speak->setFocusPolicy(Qt::NoFocus);
    Twips::setGeometry(Speak, 10560, 0, 855, 1215);

    File1 = new FileList(this);
    File1->Pattern = QStringLiteral("*.kbd");

    Text4 = new TextBox(c);
    Text4->setFont(Fonts::verdana(12, false));
    Text4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Twips::setGeometry(Text4, 120, 7320, 495, 285);
    Text4->hide();

    createFrame();

    const double suggestionLeft[4] = { 0, 3000, 5880, 8760 };
    const double suggestionWidth[4] = { 3075, 2950, 2950, 2950 };
    for (int i = 0; i < 4; ++i) {
        auto *b = new FaceButton(c);
        b->setBackColor(QColor(0xC0, 0xFF, 0xFF));
        Twips::setGeometry(b, suggestionLeft[i], 1440, suggestionWidth[i], 615);
        WordSelect.set(i, b);
    }

    // The keys live on a panel under every other control that covers the
    // whole window, so their places are window places.  A load hides the
    // panel while it fills it: keys shown on a hidden panel cost nothing on
    // screen, and the keyboard appears at once, whole.
    m_keyPanel = new QWidget(c);
    m_keyPanel->resize(c->size());
    c->installEventFilter(this);

    auto *anchor = new FaceButton(m_keyPanel);
    anchor->setFont(Fonts::verdana(9, true));
    Twips::setGeometry(anchor, 0, 1920, 1215, 615);
    anchor->hide();
    Command1.set(1, anchor);

    Command8 = new FaceButton(c);
    Twips::setGeometry(Command8, 120, 600, 3015, 390);
    Command7 = new FaceButton(c);
    Twips::setGeometry(Command7, 3240, 600, 3015, 390);

    Text2 = new TextBox(c);
    Text2->setFont(Fonts::verdana(9.75, false));
    Text2->setPalette(backPalette(Text2->palette(), QColor(0xFF, 0xFF, 0xC0)));
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Twips::setGeometry(Text2, 1200, 1920, 1215, 615);
    Text2->setAccessibleName(QStringLiteral("Key Text on the key"));

    Picture1 = new QLabel(c);
    Twips::setGeometry(Picture1, 0, 3000, 2535, 855);
    Picture1->hide();

    Text1 = new TextBox(c);
    Text1->setFont(Fonts::verdana(12, false));
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Twips::setGeometry(Text1, 0, 0, 10575, 1215);

    Image1 = new QLabel(c);
    Image1->setPixmap(
            QPixmap::fromImage(Pictograms::drawSoon(QStringLiteral("splash"), { 256, 256 })));
    Image1->resize(256, 256);
    Image1->hide();

    Label2 = new QLabel(QStringLiteral("Edit Mode"), c);
    Label2->setAutoFillBackground(true);
    Label2->setPalette(backPalette(Label2->palette(), Qt::white, QColor(0x80, 0x80, 0x80)));
    Label2->setFont(Fonts::msSansSerif(13.5, false));
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Twips::setGeometry(Label2, 0, 6240, 10335, 975);
    // Under everything: the key panel, and under it the label that shows
    // while the typing area is hidden.
    m_keyPanel->lower();
    Label2->lower();

    // The typing area comes first in the tab order and has the focus.
    Text1->setFocus();

    dialog = new Dialog(this);
}

void Form1::createFrame()
{
    Frame1 = new QGroupBox(QStringLiteral("Choose Button Type"), m_client);
    Frame1->setAutoFillBackground(true);
    Frame1->setPalette(backPalette(Frame1->palette(), Qt::white));
    // The headings of the columns stand along the top edge: the caption goes
    // to the right, where it covers none of them.
    Frame1->setAlignment(Qt::AlignRight);
    Twips::setGeometry(Frame1, 0, 4320, 15135, 1815);

    auto label = [this](const QString &text, double l, double t, double w, double h) {
        auto *lab = new QLabel(text, Frame1);
        Twips::setGeometry(lab, l, t, w, h);
        return lab;
    };
    // The frame's own caption takes its top; its controls sit below it.
    Label3 = label(QStringLiteral("Text Types"), 120, 0, 3855, 255);
    Label4 = label(QStringLiteral("Special Buttons"), 4080, 0, 3015, 255);
    Label1 = label(QStringLiteral("Move"), 7200, 0, 2655, 255);

    const QFont optionFont = Fonts::msSansSerif(8.25, false);
    auto option = [&](const QString &text, double l, double t, double w, double h) {
        auto *o = new QRadioButton(text, Frame1);
        o->setFont(optionFont);
        o->setAutoFillBackground(true);
        o->setPalette(backPalette(o->palette(), Qt::white));
        Twips::setGeometry(o, l, t, w, h);
        return o;
    };
    // The kind choices carry the captions of the kind table.
    auto caption = [](const char *kind) { return KeyKinds::byName(QLatin1String(kind))->caption; };
    Option2 = option(caption("word2"), 120, 360, 1335, 195);
    Option1 = option(caption("letter"), 1560, 360, 2295, 195);
    Option3 = option(caption("word1"), 120, 600, 1575, 195);
    Option4 = option(caption("extend"), 1560, 600, 2535, 195);
    Option10 = option(caption("word3"), 120, 840, 1215, 195);
    Option5 = option(caption("keyboard"), 1560, 840, 2535, 195);
    Option6 = option(QStringLiteral("[delete]"), 4080, 360, 1215, 255);
    Option7 = option(QStringLiteral("[copy]"), 4080, 600, 1335, 255);
    Option12 = option(QStringLiteral("Home Keyboard"), 4080, 840, 1695, 255);
    Option8 = option(QStringLiteral("[clear]"), 6000, 360, 1095, 255);
    Option11 = option(QStringLiteral("[back]"), 6000, 600, 975, 255);
    Option9 = option(QStringLiteral("[return]"), 6000, 840, 855, 255);
    Option2->setChecked(true);

    auto arrow = [this](const char *name, double l, double t) {
        auto *b = new QToolButton(Frame1);
        b->setIcon(QIcon(QPixmap::fromImage(Pictograms::draw(
                QLatin1String(name), { Twips::toPx(495) - 8, Twips::toPx(375) - 8 }))));
        b->setIconSize({ Twips::toPx(495) - 8, Twips::toPx(375) - 8 });
        b->setFocusPolicy(Qt::NoFocus);
        Twips::setGeometry(b, l, t, 495, 375);
        return b;
    };
    Command3 = arrow("up", 8280, 360);
    Command4 = arrow("left", 7800, 720);
    Command5 = arrow("right", 8760, 720);
    Command6 = arrow("down", 8280, 1080);
    // The arrows show only pictures: assistive tools would name them by
    // the frame around them, all four alike.
    Command3->setAccessibleName(QStringLiteral("Move key up"));
    Command4->setAccessibleName(QStringLiteral("Move key left"));
    Command5->setAccessibleName(QStringLiteral("Move key right"));
    Command6->setAccessibleName(QStringLiteral("Move key down"));

    Command2 = new FaceButton(Frame1);
    Twips::setGeometry(Command2, 4080, 1080, 3015, 390);
    Label5 = label(QStringLiteral("Key Text:"), 120, 1200, 855, 255);
    Text3 = new TextBox(Frame1);
    Text3->setFont(Fonts::msSansSerif(12, true));
    Text3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Twips::setGeometry(Text3, 1080, 1080, 2895, 405);
    Text3->setAccessibleName(QStringLiteral("Key Text"));
}

void Form1::createMenus()
{
    QMenuBar *bar = menuBar();
    FileOption = bar->addMenu(QStringLiteral("&File"));
    FileOpen = FileOption->addAction(QStringLiteral("&Open/Load"));
    FileSave = FileOption->addAction(QStringLiteral("&Save"));
    LoadKeyboard = bar->addMenu(QStringLiteral("&Keyboard"));
    FileLoad = LoadKeyboard->addAction(QStringLiteral("&Load Keyboard"));
    Savekeyboard = LoadKeyboard->addAction(QStringLiteral("Sa&ve Keyboard"));
    EditKeyboard = bar->addMenu(QStringLiteral("&Edit"));
    mnuBlank = EditKeyboard->addAction(QStringLiteral("Load &New Blank"));
    EditMode = EditKeyboard->addAction(QStringLiteral("Star&t Editing"));
    addbutton = EditKeyboard->addAction(QStringLiteral("Add &Button"));
    QuitEdit = EditKeyboard->addAction(QStringLiteral("Sto&p Editing"));
    dogame = bar->addMenu(QStringLiteral("&Games"));
    scramblefinder = dogame->addAction(QStringLiteral("Scramble Finder!"));
    About = bar->addMenu(QStringLiteral("&Help"));
    Aboutme = About->addAction(QStringLiteral("&About"));
    kbdfolder = About->addAction(QStringLiteral("Your Keyboard Folder is here..."));

    connect(Aboutme, &QAction::triggered, this, &Form1::Aboutme_Click);
}

void Form1::connectHandlers()
{
    for (int i = 0; i < 4; ++i)
        connect(WordSelect(i), &QAbstractButton::clicked, this, [this, i] {
            WordSelect_Click(i);
            liveSync();
        });
    Text1->onChange = [this] { Text1_Change(); };
    Text1->onKeyPress = [this](int &keyAscii) { Text1_KeyPress(keyAscii); };
    Text1->onClick = [this] { Text1_Click(); };
    Text2->onChange = [this] { Text2_Change(); };
    Text3->onChange = [this] { Text3_Change(); };
    connect(FileSave, &QAction::triggered, this, &Form1::FileSave_Click);
    connect(FileOpen, &QAction::triggered, this, &Form1::FileOpen_Click);
    connect(FileLoad, &QAction::triggered, this, &Form1::FileLoad_Click);
    connect(EditMode, &QAction::triggered, this, &Form1::EditMode_Click);
    connect(scramblefinder, &QAction::triggered, this, &Form1::scramblefinder_Click);
    connectSpeechAndHandoffs();
    connectEditor();
    createAccess();
    createSending();
    createLearning();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        m_keyPanel->resize(m_client->size());
    // The window is on screen: the first layout need not wait any longer.
    if (!m_laidOut && event->type() == QEvent::Expose && watched == windowHandle()
        && windowHandle()->isExposed())
        QTimer::singleShot(0, this, &Form1::firstLayout);
    return QMainWindow::eventFilter(watched, event);
}

void Form1::MsgBox(const QString &text)
{
    if (msgBoxSeam) {
        msgBoxSeam(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Plumtype"), text, QMessageBox::Ok, this);
    box.exec();
}
