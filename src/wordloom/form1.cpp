#include "form1.h"

#include "filewrite.h"
#include "wordimport.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace Wordloom {

namespace {

// Keyboards written between two looks at the event queue: the window
// answers within this many milliseconds however long the import.
constexpr qint64 kSliceMs = 30;

QLabel *boldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

Form1::Form1(const QString &folder, QWidget *parent) : QWidget(parent), m_folder(folder)
{
    setWindowTitle(QStringLiteral("Wordloom (Import Lists to KBD files)"));
    msgBoxSeam = [this](const QString &text) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Wordloom"), text, QMessageBox::Ok,
                        this);
        box.exec();
    };

    Label3 = new QLabel(QStringLiteral("The text file to Import must be organized with Ketboard "
                                       "Title line followed by one line of text for each word and "
                                       "a space, followed by another title and list or the word "
                                       "end as the very last line."),
                        this);
    Label3->setWordWrap(true);
    Label2 = boldLabel(QStringLiteral("Text file to Import"), this);
    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    Label2->setBuddy(File1);

    const bool made = FileWrite::makeFolder(m_folder);
    folderLabel = new QLabel(this);
    folderLabel->setWordWrap(true);
    folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folderLabel->setText(QStringLiteral("Folder of the lists and the new keyboards:\n%1%2")
                                 .arg(QDir::toNativeSeparators(m_folder),
                                      made ? QString() : QStringLiteral(" (cannot be made)")));

    Label1 = boldLabel(QStringLiteral("Name of the group table of contents keyboard"), this);
    Text1 = new QLineEdit(QStringLiteral("New Keyboard List"), this);
    Label1->setBuddy(Text1);
    Command1 = new QPushButton(QStringLiteral("Begin Imporing 'WordLists.txt' file"), this);
    Command1->setMinimumHeight(41); // 615 twips
    progressBar = new QProgressBar(this);
    progressBar->setVisible(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 8, 16, 8);
    layout->addWidget(Label3);
    layout->addSpacing(4);
    layout->addWidget(Label2);
    layout->addWidget(File1, 1);
    layout->addWidget(folderLabel);
    layout->addSpacing(4);
    layout->addWidget(Label1);
    layout->addWidget(Text1);
    layout->addSpacing(4);
    layout->addWidget(Command1);
    layout->addWidget(progressBar);
    resize(320, 360);

    // Form_Load: nothing can be imported until a file is chosen.
    Command1->setEnabled(false);
    connect(File1, &QListWidget::itemSelectionChanged, this, &Form1::File1_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(&m_steps, &QTimer::timeout, this, &Form1::importStep);

    // Files dropped into the folder while the window is open show up.
    m_watcher.addPath(m_folder);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &Form1::refreshFiles);
    refreshFiles();
}

Form1::~Form1() = default;

void Form1::refreshFiles()
{
    const QString chosen = File1->currentItem() ? File1->currentItem()->text() : QString();
    const QStringList files =
            QDir(m_folder).entryList({ QStringLiteral("*.txt") }, QDir::Files | QDir::Readable,
                                     QDir::Name | QDir::IgnoreCase);
    QStringList shown;
    for (int i = 0; i < File1->count(); ++i)
        shown.append(File1->item(i)->text());
    if (files == shown)
        return;
    File1->clear();
    File1->addItems(files);
    const qsizetype again = files.indexOf(chosen);
    if (again >= 0)
        File1->setCurrentRow(int(again));
    File1_Click();
}

void Form1::File1_Click()
{
    Command1->setEnabled(!importing() && !File1->selectedItems().isEmpty());
}

void Form1::Command1_Click()
{
    if (importing() || File1->selectedItems().isEmpty())
        return;
    const QString input = QDir(m_folder).filePath(File1->selectedItems().first()->text());
    auto import = std::make_unique<WordImport::Import>(input, Text1->text(), m_folder);
    if (!import->error().isEmpty()) {
        msgBoxSeam(import->error());
        return;
    }
    m_import = std::move(import);
    progressBar->setRange(0, int(m_import->total()));
    progressBar->setValue(0);
    setBusy(true);
    m_steps.start(0);
}

void Form1::importStep()
{
    if (!m_import)
        return;
    QElapsedTimer slice;
    slice.start();
    while (!m_import->atEnd() && slice.elapsed() < kSliceMs)
        m_import->writeNext(WordImport::Import::kWriters);
    progressBar->setValue(int(m_import->done()));
    if (!m_import->atEnd())
        return;

    m_steps.stop();
    const QString error = m_import->error();
    m_import.reset();
    if (!error.isEmpty()) {
        setBusy(false);
        msgBoxSeam(error);
        return;
    }
    msgBoxSeam(WordImport::closingMessage());
    close();
}

void Form1::setBusy(bool busy)
{
    progressBar->setVisible(busy);
    File1->setEnabled(!busy);
    Text1->setEnabled(!busy);
    File1_Click();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Every file written so far is whole; the rest is not started.
    m_steps.stop();
    m_import.reset();
    QWidget::closeEvent(event);
}

} // namespace Wordloom
