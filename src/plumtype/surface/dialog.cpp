#include "surface/dialog.h"

#include "surface/twips.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QListWidget>

Dialog::Dialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Open File"));
    setFixedSize(Twips::toPx(7920), Twips::toPx(5235));

    Sele = new QLabel(QStringLiteral("Choose File"), this);
    Sele->setAutoFillBackground(true);
    QPalette p = Sele->palette();
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, Qt::white);
    Sele->setPalette(p);
    Sele->setFont(Fonts::verdana(8.25, true));
    Twips::setGeometry(Sele, 120, 120, 7575, 255);

    File1 = new QListWidget(this);
    File1->setFont(Fonts::verdana(24, true));
    QPalette lp = File1->palette();
    lp.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xC0));
    File1->setPalette(lp);
    Twips::setGeometry(File1, 120, 480, 7575, 4020);

    OKButton = new FaceButton(this);
    Twips::setGeometry(OKButton, 120, 4560, 5295, 615);
    CancelButton = new FaceButton(this);
    Twips::setGeometry(CancelButton, 5520, 4560, 2175, 615);
    connect(OKButton, &QAbstractButton::clicked, this, &Dialog::OKButton_Click);
    connect(CancelButton, &QAbstractButton::clicked, this, &Dialog::CancelButton_Click);
}

void Dialog::Form_Activate()
{
    if (QWidget *main = parentWidget()) {
        const QRect m = main->frameGeometry();
        move(m.left() + m.width() / 2 - width() / 2, m.top() + m.height() / 2 - height() / 2);
    }
    File1->clear();
    File1->addItems(QDir(folder).entryList({ QStringLiteral("*.txt") }, QDir::Files,
                                           QDir::Name | QDir::IgnoreCase));
}

void Dialog::OKButton_Click()
{
    QListWidgetItem *chosen = File1->currentItem();
    answer(chosen && chosen->isSelected() ? folder + u'/' + chosen->text() : QStringLiteral(" "));
}

void Dialog::CancelButton_Click()
{
    answer(QStringLiteral(" "));
}

void Dialog::answer(const QString &openFile)
{
    if (OpenFile.isEmpty())
        OpenFile = openFile;
    hide();
    emit answered();
}

void Dialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Form_Activate();
}

void Dialog::closeEvent(QCloseEvent *event)
{
    // The close box answers like Cancel.
    answer(QStringLiteral(" "));
    QDialog::closeEvent(event);
}

void Dialog::reject()
{
    answer(QStringLiteral(" "));
}
