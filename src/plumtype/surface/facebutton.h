#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

class QPainter;

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

    // Hands-free access draws over the face without changing it: the dwell
    // progress (0 to 1; below 0 for none) as a bar under the label, and the
    // scan highlight as a thick frame, one kind for a group and another for
    // a key, and a third while a selected key flashes.
    enum class ScanMark { None, Group, Item, Selected };
    void setAccessMarks(double dwellProgress, ScanMark scan);
    double dwellProgress() const { return m_dwell; }
    ScanMark scanMark() const { return m_scan; }
    // Draws the marks on any control; `label` is the part of `r` that the
    // label takes, which the bar keeps clear of.
    static void paintAccessMarks(QPainter &p, const QRect &r, const QRect &label,
                                 double dwellProgress, ScanMark scan);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Where the face shows anything but its background, in button
    // coordinates; found once per picture.
    QRect labelRect();
    // Where the face picture is drawn: centred, scaled down when too large.
    QRect pictureRect() const;

    QColor m_back = Qt::white;
    QPixmap m_picture;
    double m_dwell = -1;
    ScanMark m_scan = ScanMark::None;
    qint64 m_labelKey = 0;
    QRect m_label;
};
