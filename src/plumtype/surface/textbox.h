#pragma once

#include <QPlainTextEdit>

#include <functional>

// A multi-line text box seen the way the program's rules are written: the text
// with CR LF line breaks, and the caret and selection counted in that text (a
// line break is two characters).  Every other character comes back as it was
// put in: a no-break space stays one, and so do the line and paragraph
// separators U+2028 and U+2029 (the editor shows them as breaks).  The change
// handler runs synchronously, and only when the text really changed; the
// key-press hook sees a typed character before it is applied and may change
// it, or swallow it by setting it to 0.  Keys that type no character (Delete,
// the arrows) never reach it.
class TextBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);

    QString Text() const;
    void setText(const QString &text);
    int SelStart() const;
    void setSelStart(int pos);
    int SelLength() const;
    void setSelLength(int length);
    QString SelText() const;

    std::function<void()> onChange;
    std::function<void(int &keyAscii)> onKeyPress;
    std::function<void()> onClick;

    // Positions between the CR LF view and the editor's own text.
    static int toCrLf(const QString &plain, int plainPos);
    static int fromCrLf(const QString &plain, int crlfPos);

signals:
    // After onChange: the text really changed.  Waits for an answer wake on it.
    void changed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void contentsChanged();
    // The text with '\n' for every line break, in step with the editor: one
    // character per position of the editor's own text.
    const QString &model() const;
    mutable QString m_model;
    QString m_last;
};
