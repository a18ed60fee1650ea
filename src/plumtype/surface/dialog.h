#pragma once

#include "surface/facebutton.h"

#include <QDialog>

class QLabel;
class QListWidget;

// The picker window: lists the saved texts to open.
class Dialog : public QDialog
{
    Q_OBJECT
public:
    explicit Dialog(QWidget *parent = nullptr);

    QLabel *Sele = nullptr;
    QListWidget *File1 = nullptr;
    FaceButton *OKButton = nullptr;
    FaceButton *CancelButton = nullptr;
};
