#include "shortcutfile.h"

#include "textfile.h"

namespace ShortcutFile {

namespace {

// A shortcut is a few lines: anything larger is not one.
constexpr qint64 kLargestShortcut = 64 * 1024;

} // namespace

std::optional<QUrl> webAddress(const QString &text)
{
    bool inSection = false;
    for (const QString &raw : TextFile::splitLines(text)) {
        QString line = raw.trimmed();
        if (line.startsWith(QChar(0xFEFF)))
            line = line.mid(1).trimmed();
        if (line.startsWith(u'[')) {
            inSection = line.compare(QLatin1String("[InternetShortcut]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inSection || equals < 0
            || line.first(equals).trimmed().compare(QLatin1String("URL"), Qt::CaseInsensitive) != 0)
            continue;
        // The first URL line of the section is the shortcut's address.
        const QUrl url(line.mid(equals + 1).trimmed(), QUrl::StrictMode);
        const QString scheme = url.scheme();
        if (url.isValid() && !url.host().isEmpty()
            && (scheme == QLatin1String("http") || scheme == QLatin1String("https")))
            return url;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<QUrl> readWebAddress(const QString &path)
{
    const std::optional<QString> text = TextFile::read(path, kLargestShortcut);
    if (!text)
        return std::nullopt;
    return webAddress(*text);
}

} // namespace ShortcutFile
