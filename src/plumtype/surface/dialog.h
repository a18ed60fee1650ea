#pragma once

#include "surface/facebutton.h"

#include <QDialog>

class QLabel;
class QListWidget;

// The picker window: lists the saved texts to open.  It answers through
// OpenFile: empty while the choice is pending, a single space when nothing
// was chosen, otherwise the full path of the chosen file.
class Dialog : public QDialog
{
    Q_OBJECT
public:
    explicit Dialog(QWidget *parent = nullptr);

    QLabel *Sele = nullptr;
    QListWidget *File1 = nullptr;
    FaceButton *OKButton = nullptr;
    FaceButton *CancelButton = nullptr;

    QString OpenFile;
    // The folder whose "*.txt" files are listed.
    QString folder;

    void Form_Activate();
    void OKButton_Click();
    void CancelButton_Click();

signals:
    void answered();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void answer(const QString &openFile);
};
