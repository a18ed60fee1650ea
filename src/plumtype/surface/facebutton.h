#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QRgb>

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

    // Hands-free access draws over the face without changing it, in the
    // mark colour: the dwell progress (0 to 1; below 0 for none) as the key
    // filled from the bottom up, and the scan highlight as the key filled
    // (Item), or white with a frame while a selected key flashes
    // (Selected).  The frame round a whole highlighted group (Group) is
    // drawn over the group by hands-free access.  A key under the highlight
    // is "selected" to screen readers.
    enum class ScanMark { None, Group, Item, Selected };
    void setAccessMarks(double dwellProgress, ScanMark scan);
    double dwellProgress() const { return m_dwell; }
    ScanMark scanMark() const { return m_scan; }
    // The mark colour of every control (AccessMarks::colours()).
    static void setMarkColour(QRgb colour);
    static QRgb markColour();
    // Draws the marks on a control that paints no face of its own: the
    // control inverted where a key would be filled, with a frame.
    static void paintAccessMarks(QPainter &p, const QRect &r, double dwellProgress, ScanMark scan);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The face as painted, with its background in `fill` and its label in
    // `ink`; kept for the last colours asked.
    const QImage &filledFace(QRgb fill, QRgb ink);
    // Where the face picture is drawn: centred, scaled down when too large.
    QRect pictureRect() const;

    QColor m_back = Qt::white;
    QPixmap m_picture;
    double m_dwell = -1;
    ScanMark m_scan = ScanMark::None;
    QImage m_filled;
    qint64 m_filledKey = 0;
    QRgb m_filledColours[3] = { 0, 0, 0 }; // fill, ink, the background

    QSize m_filledSize;
};
