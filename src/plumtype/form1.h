#pragma once

// Form1, Plumtype's main window.  Where things live:
//   surface/form1.cpp        the window's controls and menus
//   surface/buttons.cpp      buttons(): the painted faces of keys and buttons
//   surface/lifecycle.cpp    Form_Load, Form_Resize, Form_Unload, the About box
//   surface/layout.cpp       Form_Activate (the window layout), LockMenu, UnLockMenu
//   surface/dialog.*         the saved-text picker window Dialog
//   surface/facebutton.*     the button with a painted face (keys, suggestions)
//   surface/textbox.*        text boxes seen with CR LF line breaks
//   surface/twips.*          twips to pixels, and the design fonts
//   keyboard/loadmap.cpp     the keyboard map: clearmap, loadmap, wordcount, pause
//   prediction/wordlists.cpp loadwords, fileexists, adding a user word
//   typing/dispatch.cpp      Command1_Click: what a click on a key does, key-text entry
//   typing/commands.cpp      the bracketed command keys ("[back]", "[copy]", ...)
//   typing/textarea.cpp      Text1_Change, Text1_KeyPress, Text1_Click, Text2/Text3
//   prediction/suggest.cpp   suggest, WordSelect_Click
//   documents/prompts.cpp    yesnoprompt, okayprompt, the name entry for saves
//   documents/savedtext.cpp  FileSave_Click, FileOpen_Click, FileLoad_Click
//   editor/editmode.cpp      EditMode_Click and the editor's handlers
//   game/scramble.cpp        scramblefinder_Click
//   speech/                  Speak_Click, kbdfolder_Click, openWebsite: speech and hand-offs;
//                            speech/voice.* the voice, made and run on a thread of its own
//   access/                  hands-free access: dwell clicking, switch scanning, their settings
//   sending/                 typing into other programs: "[send]", live typing, the senders
//   windowface.h             WindowFace: all that access/ and sending/ see of the window
//                            (surface/windowface.cpp); they reach nothing else here
//   prediction/learning.cpp  suggestions that learn from the user's writing
//   main.cpp                 start-up and the end on signals; instance.* one Plumtype a program folder
//   keeper/                  plumtype-keeper: puts back a switch device Plumtype took aside
// The rules that need no window are in the core library (src/core).

#include "learning.h"
#include "surface/facebutton.h"
#include "surface/textbox.h"
#include "wordlists.h"

#include <QEventLoop>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QVariant>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Dialog;
class QAction;
class QFileInfo;
class QGroupBox;
class QListWidget;
class QMenu;
class QToolButton;
class QRadioButton;
class Voice;

// A control array: elements are reached by index, Command1(i).
template<typename T, int First, int Last> class ControlArray
{
public:
    T *operator()(int i) const { return (i >= First && i <= Last) ? m_items[i - First] : nullptr; }
    void set(int i, T *item) { m_items[i - First] = item; }
    static constexpr int first() { return First; }
    static constexpr int last() { return Last; }

private:
    std::array<T *, Last - First + 1> m_items {};
};

// The hidden list of files that the word game points at the Keyboards folder.
class FileList : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    QString Pattern;
    QString Path;
    QStringList files() const;
};

class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    // A non-empty `readOnlyReason` says why nothing can be saved in the
    // program folder; the user is told once the window has started.
    explicit Form1(const QString &programFolder, const QString &readOnlyReason = QString(),
                   QWidget *parent = nullptr);
    ~Form1() override;

    // The program folder and paths in it, found without regard to letter case.
    QString programFolder() const { return m_programFolder; }
    QString programPath(const QString &relative) const;
    QString keyboardPath(const QString &fileName) const;
    // Whether files can be saved in the program folder.
    bool canSave() const { return m_readOnlyReason.isEmpty(); }

    // ---- window-level state ----
    QString FileName; // the loaded keyboard, e.g. "home.kbd"
    int lastbutton = 1;
    int xpos = 0;
    int ypos = 1;
    std::array<QString, 151> keyinfo; // 1 to 150: whole text of label|output keys
    bool loadingmap = false;
    bool starting = false;
    bool killme = false;
    int tp = 0;
    QString typedword;
    QVariant capslock;
    bool quitgame = false;
    WordTable wordlists;
    bool editmode = false;
    bool eMode = false;
    bool estop = false;
    int moveindex = 0;
    bool movepending = false;
    bool keytextentry = false;
    bool keytextdone = false;
    int keytextlast = 0;
    QString SaveFileName; // the saved text last saved or opened

    // ---- controls ----
    QToolButton *Speak = nullptr;
    FileList *File1 = nullptr;
    TextBox *Text4 = nullptr;
    QGroupBox *Frame1 = nullptr;
    ControlArray<FaceButton, 0, 3> WordSelect;
    ControlArray<FaceButton, 1, 121> Command1;
    FaceButton *Command8 = nullptr;
    FaceButton *Command7 = nullptr;
    TextBox *Text2 = nullptr;
    QLabel *Picture1 = nullptr;
    TextBox *Text1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label2 = nullptr;
    // inside Frame1
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label5 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QRadioButton *Option3 = nullptr;
    QRadioButton *Option4 = nullptr;
    QRadioButton *Option5 = nullptr;
    QRadioButton *Option6 = nullptr;
    QRadioButton *Option7 = nullptr;
    QRadioButton *Option8 = nullptr;
    QRadioButton *Option9 = nullptr;
    QRadioButton *Option10 = nullptr;
    QRadioButton *Option11 = nullptr;
    QRadioButton *Option12 = nullptr;
    QToolButton *Command3 = nullptr;
    QToolButton *Command4 = nullptr;
    QToolButton *Command5 = nullptr;
    QToolButton *Command6 = nullptr;
    FaceButton *Command2 = nullptr;
    TextBox *Text3 = nullptr;
    Dialog *dialog = nullptr;

    // ---- menus ----
    QMenu *FileOption = nullptr;
    QAction *FileOpen = nullptr;
    QAction *FileSave = nullptr;
    QMenu *LoadKeyboard = nullptr;
    QAction *FileLoad = nullptr;
    QAction *Savekeyboard = nullptr;
    QMenu *EditKeyboard = nullptr;
    QAction *mnuBlank = nullptr;
    QAction *EditMode = nullptr;
    QAction *addbutton = nullptr;
    QAction *QuitEdit = nullptr;
    QMenu *dogame = nullptr;
    QAction *scramblefinder = nullptr;
    QMenu *About = nullptr;
    QAction *Aboutme = nullptr;
    QAction *kbdfolder = nullptr;

    // ---- keyboard map (keyboard/loadmap.cpp) ----
    void clearmap();
    void loadmap(const QString &xFileName);
    static int wordcount(const QString &textme);
    void pause(int ms);

    // ---- prompts on the keyboard (documents/prompts.cpp) ----
    bool yesnoprompt(const QString &question);
    void okayprompt(const QString &message);
    // Sleeps until `done` holds or the window closes; false when it closed.
    bool waitUntil(const std::function<bool()> &done);
    // A notice on the Okay keyboard, shown as soon as nothing else waits for
    // the user (start-up over, no prompt, editor or game); several in turn.
    void noticeWhenFree(const QString &message);

    // The name entry on the FileNaming keyboard that the saves share.
    struct NameRequest
    {
        QString prompt; // ends with ": "
        QString defaultName;
        QString folder;              // where the file goes
        QString extension;           // ".txt", ".kbd"
        QString overwriteQuestion;   // asked when the file is there already
        bool homeAfterEntry = false; // load the home keyboard once a name is typed
        bool keepDefault = false;    // after "no" to overwriting, offer defaultName again
    };
    struct NameAnswer
    {
        QString name;       // cleaned
        QString path;       // the file to write, found without regard to case
        QString remembered; // the typing area before the entry
    };
    // nullopt when the entry was cancelled (its message shown, the typing
    // area restored, the menus unlocked) or the window closed.  On success
    // the menus stay locked and the typing area holds the entry: the caller
    // saves, then restores the remembered text and unlocks.
    std::optional<NameAnswer> askName(const NameRequest &request);

    // ---- key presses (typing/) ----
    void Command1_Click(int Index);
    void Text1_Change();
    void Text1_KeyPress(int &KeyAscii);
    void Text1_Click();
    void Text2_Change();
    void Text3_Change();
    // True while a word game runs: its menu is disabled then.
    bool gameRunning() const;

    // ---- suggestions (prediction/suggest.cpp) ----
    void suggest(QString &currentword);
    void WordSelect_Click(int Index);

    // ---- saved text (documents/), editor (editor/), game (game/) ----
    void FileSave_Click();
    void FileOpen_Click();
    void FileLoad_Click();
    void EditMode_Click();
    void scramblefinder_Click();

    // ---- faces (surface/buttons.cpp) ----
    void buttons(FaceButton *butObj, QString &worDs, quint32 fgcolor, quint32 bgcolor);
    void buttons(FaceButton *butObj, const QString &worDs, quint32 fgcolor, quint32 bgcolor);
    // A face painted ahead, to be shown later: what buttons() does in two
    // steps, for a key of this kind and output on a surface of this size.
    struct Face
    {
        QPixmap picture; // null: the button keeps the face it has
        QString caption; // the text as given
        QString text;    // as joined for display
        int fontSize = 9;
    };
    Face paintFace(const QString &kind, const QString &output, const QString &worDs,
                   quint32 fgcolor, quint32 bgcolor, const QSize &surface, double heightTwips,
                   int previousFontSize) const;
    void showFace(FaceButton *butObj, const Face &face);

    // ---- window (surface/lifecycle.cpp, surface/layout.cpp) ----
    void Form_Load();
    void Form_Activate();
    void Form_Resize();
    void Form_Unload();
    void Aboutme_Click();
    void LockMenu();
    void UnLockMenu();

    // The window's outer size in twips, and setting it.
    double windowHeight() const;
    double windowWidth() const;
    void setWindowSize(double heightTwips, double widthTwips);

    // ---- word lists (prediction/wordlists.cpp) ----
    void loadwords();
    // The file can be opened for reading; its name is found without regard
    // to letter case within its folder.
    static bool fileexists(const QString &path);
    void addword(const QString &typedText);

    // How long loadmap shows its splash picture; benchmarks set it to 0.
    int splashMs = 100;

    // The keyboard file dialog goes through here when set, so that tests
    // can answer it: (title, folder, filter) -> the chosen path or empty.
    std::function<QString(const QString &, const QString &, const QString &)> fileDialogSeam;

    // Message boxes go through here, so that tests can answer them.
    std::function<void(const QString &text)> msgBoxSeam;
    void MsgBox(const QString &text);

    // ---- Scramble Finder (game/) ----
    // The keyboard file the current word came from, as listed.
    QString gamekbd;
    // The next word, in capitals, from a keyboard of the Keyboards folder;
    // sets gamekbd.  Empty when no keyboard there can give a word.
    QString pickgameword();
    // The letters of `word` in random order.
    QString scramble(const QString &word);
    // How long the message after the fifth word stays; tests shorten it.
    int gameEndMs = 5000;

signals:
    void closing(); // killme was set: every wait ends

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createFrame();
    void createMenus();
    void connectHandlers();
    // Key presses (typing/).
    enum class ClickEnd { Finish, Ends };
    ClickEnd commandKey(int Index, const QString &command);
    static bool isCommandKey(const QString &text);
    void switchKeyboard(const QString &keyText);
    void finishClick();
    void keyTextEntryClick(int Index);
    void toggleLock(FaceButton *key);
    void clearSuggestionRow();
    void disableSuggestions();
    void updateTitle();
    void selectKeyForEditing(int Index);
    void scheduleResize();
    // A keyboard read and its faces painted, ready to be shown by loadmap.
    struct PreparedKey
    {
        int slot = 0;
        QRect place;
        QString keyInfo;
        QString output;
        QString kind;
        QColor back;
        Face face;
    };
    struct PreparedKeyboard
    {
        std::vector<PreparedKey> keys;
        int lastbutton = 1;
        int xpos = 0;
        int ypos = 1;
    };
    PreparedKeyboard prepareKeyboard(const QFileInfo &requested);
    void finishLoad();
    void fitStartSize();
    // The first run of the window layout, once the window has its frame or
    // is on screen.
    void firstLayout();
    void tellReadOnly();
    // Shows `question` on the answer keyboard and waits for a typed answer;
    // nullopt when the window closed meanwhile.
    std::optional<QString> promptAnswer(const QString &question, const QString &keyboard);
    // The screen area open to the window in twips: its screen's, or the
    // whole desktop's.
    QSizeF availableTwips(bool wholeDesktop) const;

    QString m_programFolder;
    QString m_readOnlyReason;
    bool m_readOnlyTold = false;
    void showNotices();
    QStringList m_notices; // waiting for noticeWhenFree
    QTimer m_noticeTimer;
    QWidget *m_client = nullptr;
    QWidget *m_keyPanel = nullptr; // holds Command1
    int m_lastFontSize = 9;
    QTimer m_resizeTimer;
    bool m_resizePending = false;
    bool m_shown = false;
    QSizeF m_startSize; // outer size from the screen size file, in twips
    bool m_fitStartSize = false;
    QSize m_fittedFrame { -1, -1 };
    bool m_laidOut = false; // the first layout has run
    // How long the first layout waits at most for the window's frame.
    static constexpr int kFrameWaitMs = 250;
    // The program's and the window's icons, drawn this long after the first
    // keyboard is up.
    void drawIcons();
    static constexpr int kIconDelayMs = 100;

    // ---- speech and hand-offs (speech/) ----
public:
    // Speaks the whole typed text with the system's voice and returns once
    // it has been spoken; says so on the Okay keyboard when there is no voice.
    void Speak_Click();
    // The notice about the Keyboards folder, then the folder in the file manager.
    void kbdfolder_Click();
    // Opens the web page that the shortcut "Orvane.url" in the program folder
    // points at; anything but an http or https address opens nothing.
    void openWebsite();
    // The text-to-speech engine that Speak uses.
    QString speechEngine = QStringLiteral("speechd");
    // How long a Speak waits for the voice to be made before it says that
    // the voice is not ready yet; tests shorten it.
    int voiceReadyMs = 30000;

private:
    void connectSpeechAndHandoffs();
    void prepareVoice();
    // The voice for speechEngine, in its own thread; it is made there on
    // first need and says whether there is one.
    Voice *voice();
    enum class Spoken { Done, Closed, NoVoice, NotReady };
    Spoken speakAndWait(Voice *v, const QString &text);
    Voice *m_voice = nullptr;
    bool m_speaking = false;

    // ---- keyboard editor (editor/) ----
public:
    // Edit mode (editor/editmode.cpp).
    void QuitEdit_Click();
    void Command2_Click(); // "Save Edit"
    void Command7_Click(); // "Add Button"
    void Command8_Click(); // "Stop Editing"
    // One key (editor/keyedit.cpp): the twelve button types, the arrows
    // (up, left, right, down), adding a key, typing its text on the keyboard.
    void Option1_Click() { optionClick(1); }
    void Option2_Click() { optionClick(2); }
    void Option3_Click() { optionClick(3); }
    void Option4_Click() { optionClick(4); }
    void Option5_Click() { optionClick(5); }
    void Option6_Click() { optionClick(6); }
    void Option7_Click() { optionClick(7); }
    void Option8_Click() { optionClick(8); }
    void Option9_Click() { optionClick(9); }
    void Option10_Click() { optionClick(10); }
    void Option11_Click() { optionClick(11); }
    void Option12_Click() { optionClick(12); }
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void addbutton_Click();
    void Text3_Click();
    // Keyboard files (editor/keyboardsave.cpp).  savetmpmap writes the keys
    // on screen to the working copy; false when it could not be kept in the
    // program folder (a private temporary copy serves then).
    bool savetmpmap();
    QString workingCopyPath() const;
    void Savekeyboard_Click();
    void savekbdname(const QString &inworkkbd);
    void mnuBlank_Click();
    // "Save Edit" was clicked or edit mode was left: the editor's waits look
    // at their flags again.
    Q_SIGNAL void editorWake();

private:
    void connectEditor();
    // Sleeps until `done` holds, woken by editorWake and closing; false when
    // the window closed.
    bool editorWait(const std::function<bool()> &done);
    // The part of leaving edit mode that puts the typing area back.
    void leaveEditing();
    // After a save that edit mode was left for: back to normal unless the
    // save was cancelled into edit mode again.
    void endEditingAfterSave();
    void enableSuggestions();
    void optionClick(int option);
    void moveSelected(int arrow);
    // "Stop Editing" and "Add Button" where they leave the button types free.
    void placeEditorButtons(bool keyEdit);
    void paintKey(FaceButton *key, const QString &text, quint32 colour);
    // The save once the name is known; the keys come from the working copy.
    void writeKeyboard(const QString &name, const QString &path, const QString &remembered,
                       const QString &inworkkbd);
    void saveFailed(const QString &message, const QString &remembered, const QString &inworkkbd);
    int m_editSession = 0;     // counts the times edit mode was left
    QString m_workingCopy;     // where savetmpmap last wrote
    QString m_keyTextFileName; // the keyboard being edited during key-text entry

    // ---- hands-free access (access/) ----
public:
    // Dwell clicking and switch scanning with their settings window, reached
    // from the Access menu; both stay off until the user turns them on.
    QMenu *AccessMenu = nullptr;
    QAction *DwellClicking = nullptr;
    QAction *SwitchScanning = nullptr;
    QAction *AccessSettings = nullptr;
    class HandsFreeAccess *handsFree = nullptr;
    // What hands-free access and typing into other programs see of the
    // window; made before them, and gone after them.
    class WindowFace *windowFace = nullptr;
    // The end of every loadmap: a new keyboard is on screen.
    Q_SIGNAL void keyboardLoaded();

private:
    friend class WindowFace;
    void createAccess();
    // The command keys "[dwell]" and "[scan]" (on, paused, on again) and
    // "[access]" (the settings window).
    void accessCommand(const QString &command);
    // True while a dwell on a suggestion button is in progress: the buttons
    // keep what they offer until it ends.
    bool suggestionsHeld();

    // ---- typing into other programs (sending/) ----
public:
    QAction *SendToProgram = nullptr; // Access menu, "Send to Program"
    class ProgramTyping *programTyping = nullptr;
    // "[send]" and its menu item: the typing area goes to the program that
    // last had the focus, and empties.
    void SendToProgram_Click();

private:
    void createSending();
    // A key or a suggestion changed the typing area: live typing sends it.
    void liveSync();
    // Prompts and name entries in progress: the typing area is theirs.
    int m_promptDepth = 0;

    // ---- learning suggestions (prediction/learning.cpp) ----
public:
    // A commit point (speak, save, copy, send, clear, close): what the typing
    // area holds that was not learned yet is learned, unless learning is off
    // or paused.
    void learnAtCommit();
    // The typing area was emptied or replaced as a whole ("[clear]", "[send]",
    // an opened text): what it holds now counts as learned already.
    void learnFrom(const QString &text) { m_lastCommitted = text; }
    // The learned model is read off the start-up path; until it is there the
    // suggestions are the word lists' own.
    bool learningReady() const { return m_learned != nullptr; }
    Q_SIGNAL void learningLoaded();
    // For the settings window: the learned words by count, forgetting one,
    // forgetting everything (the file is deleted).
    QList<LearnedModel::Word> learnedWords() const;
    void forgetLearnedWord(const QString &word);
    bool forgetAllLearned();
    // Writes the learned model now when it changed.
    void saveLearned();

private:
    void createLearning();
    // "[learn]": learning turned on, then paused and taken up again.
    void learnCommand();
    void learningSettingsChanged();
    void loadLearning();
    void paintLearnKeys();
    QString learnedPath() const;
    // The suggestion row when learning decides it; nullopt when the word
    // lists' own rules hold.  `nextWord` is set when the row offers whole
    // next words after a space.
    std::optional<QStringList> learnedRow(const QString &currentword, bool *nextWord);
    // A click on a next-word suggestion: the word goes in as a word key's.
    void insertNextWord(const QString &word);

    // Closing while the model is still read: what was typed is added to
    // the file all the same, and the reading stops.
    void learnBeforeLoaded();

    std::unique_ptr<LearnedModel> m_learned;
    std::unique_ptr<StaticPairs> m_staticPairs;
    // The file could not be read whole: no learning this session.
    bool m_learnedUnreadable = false;
    std::shared_ptr<std::atomic_bool> m_learnStop = std::make_shared<std::atomic_bool>(false);
    std::unique_ptr<ShippedWords> m_shippedWords;
    class QThread *m_learnLoader = nullptr;
    QString m_lastCommitted;    // the typing area at the last commit
    QStringList m_offered;      // shown already for the word being typed
    qsizetype m_offeredAt = -1; // where that word starts
    QString m_rowFor;           // the letters the row below was made for
    QStringList m_row;
    QTimer m_learnSaveTimer;
};
