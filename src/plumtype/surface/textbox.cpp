#include "textbox.h"

#include <QKeyEvent>
#include <QTextBlock>

TextBox::TextBox(QWidget *parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &TextBox::contentsChanged);
}

namespace {

constexpr QChar kBlockBreak = QChar::ParagraphSeparator;

} // namespace

const QString &TextBox::model() const
{
    // The editor's raw text has a paragraph separator at every line break
    // and keeps every other character (its plain text would turn no-break
    // spaces into spaces and the separators into line breaks).  A paragraph
    // separator the text was given stands at a break of the editor too: the
    // model remembers which breaks were given that way.  Whatever the user
    // changed since is taken over, its breaks as line breaks.
    const QString raw = document()->toRawText();
    const auto agrees = [&](qsizetype i, qsizetype j) {
        const QChar r = raw.at(i);
        const QChar m = m_model.at(j);
        return r == kBlockBreak ? (m == u'\n' || m == kBlockBreak) : r == m;
    };
    qsizetype prefix = 0;
    const qsizetype common = std::min(raw.size(), m_model.size());
    while (prefix < common && agrees(prefix, prefix))
        ++prefix;
    if (prefix == raw.size() && prefix == m_model.size())
        return m_model;
    qsizetype suffix = 0;
    while (suffix < common - prefix && agrees(raw.size() - 1 - suffix, m_model.size() - 1 - suffix))
        ++suffix;
    QString changed = raw.mid(prefix, raw.size() - prefix - suffix);
    changed.replace(kBlockBreak, u'\n');
    m_model.replace(prefix, m_model.size() - prefix - suffix, changed);
    return m_model;
}

QString TextBox::Text() const
{
    QString text = model();
    text.replace(u'\n', QLatin1String("\r\n"));
    return text;
}

void TextBox::setText(const QString &text)
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(u'\r', u'\n');
    if (plain == model())
        return;
    // The model first: the change handler that setting the text runs must
    // see the text as given.
    m_model = plain;
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
    return toCrLf(model(), c.selectionStart());
}

void TextBox::setSelStart(int pos)
{
    QTextCursor c = textCursor();
    c.setPosition(fromCrLf(model(), std::max(0, pos)));
    setTextCursor(c);
}

int TextBox::SelLength() const
{
    const QTextCursor c = textCursor();
    const QString &plain = model();
    return toCrLf(plain, c.selectionEnd()) - toCrLf(plain, c.selectionStart());
}

void TextBox::setSelLength(int length)
{
    const QString plain = model();
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    const int end = fromCrLf(plain, toCrLf(plain, start) + std::max(0, length));
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString TextBox::SelText() const
{
    const QTextCursor c = textCursor();
    QString text = model().mid(c.selectionStart(), c.selectionEnd() - c.selectionStart());
    text.replace(u'\n', QLatin1String("\r\n"));
    return text;
}

void TextBox::contentsChanged()
{
    const QString now = model();
    if (now == m_last)
        return;
    m_last = now;
    if (onChange)
        onChange();
    emit changed();
}

void TextBox::keyPressEvent(QKeyEvent *event)
{
    // Delete carries the character 0x7F on some systems; like the arrows it
    // edits without typing, and the caret estimate stays.
    const bool types = !event->text().isEmpty() && event->text().at(0) != QChar(0x7F)
                       && event->key() != Qt::Key_Delete;
    if (onKeyPress && types && !(event->modifiers() & Qt::ControlModifier)) {
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
