#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

// A button that shows a painted face and no caption: the keys of the keyboard,
// the suggestion buttons and the editor's buttons.  A key carries its kind in
// Tag and the text a press acts on in ToolTipText.
class FaceButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit FaceButton(QWidget *parent = nullptr);

    QString Tag;
    QString ToolTipText;
    int TabIndex = 0;

    void setBackColor(const QColor &colour);
    QColor backColor() const { return m_back; }

    // The face, shown one to one in the middle; a picture larger than the
    // button is scaled down to fit.
    void setPicture(const QPixmap &picture);
    QPixmap picture() const { return m_picture; }

    QSize sizeHint() const override;

    // The caption last painted on the face, for screen readers of buttons
    // that carry no text of their own (the editor's buttons).
    QString paintedCaption;

    // What assistive tools read and press: the key's text or command in
    // words, kept in step with the key at every load and repaint.
    QString spokenName() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_back = Qt::white;
    QPixmap m_picture;
};
