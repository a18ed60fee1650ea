#include "textbox.h"

#include <QKeyEvent>
#include <QTextBlock>

TextBox::TextBox(QWidget *parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &TextBox::contentsChanged);
}

QString TextBox::Text() const
{
    QString text = toPlainText();
    text.replace(u'\n', QLatin1String("\r\n"));
    return text;
}

void TextBox::setText(const QString &text)
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(u'\r', u'\n');
    if (plain == toPlainText())
        return;
    setPlainText(plain);
    // Like the boxes the rules were written for, a new text puts the caret at
    // the start.
    QTextCursor c = textCursor();
    c.setPosition(0);
    setTextCursor(c);
}

int TextBox::toCrLf(const QString &plain, int plainPos)
{
    plainPos = std::clamp(plainPos, 0, static_cast<int>(plain.size()));
    return plainPos + static_cast<int>(QStringView(plain).left(plainPos).count(u'\n'));
}

int TextBox::fromCrLf(const QString &plain, int crlfPos)
{
    int counted = 0;
    int i = 0;
    const int n = static_cast<int>(plain.size());
    while (i < n && counted < crlfPos) {
        counted += plain.at(i) == u'\n' ? 2 : 1;
        ++i;
    }
    return i;
}

int TextBox::SelStart() const
{
    const QTextCursor c = textCursor();
    return toCrLf(toPlainText(), c.selectionStart());
}

void TextBox::setSelStart(int pos)
{
    QTextCursor c = textCursor();
    c.setPosition(fromCrLf(toPlainText(), std::max(0, pos)));
    setTextCursor(c);
}

int TextBox::SelLength() const
{
    const QTextCursor c = textCursor();
    const QString plain = toPlainText();
    return toCrLf(plain, c.selectionEnd()) - toCrLf(plain, c.selectionStart());
}

void TextBox::setSelLength(int length)
{
    const QString plain = toPlainText();
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    const int end = fromCrLf(plain, toCrLf(plain, start) + std::max(0, length));
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString TextBox::SelText() const
{
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return text;
}

void TextBox::contentsChanged()
{
    const QString now = toPlainText();
    if (now == m_last)
        return;
    m_last = now;
    if (onChange)
        onChange();
    emit changed();
}

void TextBox::keyPressEvent(QKeyEvent *event)
{
    if (onKeyPress && !event->text().isEmpty() && !(event->modifiers() & Qt::ControlModifier)) {
        const QChar typed = event->text().at(0);
        int keyAscii = typed == u'\r' || typed == u'\n' ? 13 : typed.unicode();
        const int before = keyAscii;
        onKeyPress(keyAscii);
        if (keyAscii == 0)
            return;
        if (keyAscii != before) {
            if (keyAscii == 13) {
                insertPlainText(QStringLiteral("\n"));
            } else {
                insertPlainText(QString(QChar(keyAscii)));
            }
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TextBox::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    if (onClick)
        onClick();
}
