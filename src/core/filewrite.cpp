#include "filewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringDecoder>

#include <cstdio>
#include <unistd.h>

namespace FileWrite {

namespace {

constexpr auto kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr auto kOwnerFolder = kOwnerOnly | QFileDevice::ExeOwner;
// The mode bits; the "User" flags tell what this process may do, not the mode.
constexpr auto kModeBits = kOwnerFolder | QFileDevice::ReadGroup | QFileDevice::WriteGroup
                           | QFileDevice::ExeGroup | QFileDevice::ReadOther
                           | QFileDevice::WriteOther | QFileDevice::ExeOther;

// More links than any sane chain has: a loop, in practice.
constexpr int kLongestChain = 40;

QString temporaryName(const QString &path)
{
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString name = path + QChar(kTemporaryMark);
    for (int i = 0; i < kTemporaryRandom; ++i)
        name += QLatin1Char(kChars[QRandomGenerator::global()->bounded(62)]);
    return name;
}

// What a symbolic link holds, as written in it.  Decoded as UTF-8 the way
// QFile::encodeName() encodes, but keeping a leading byte-order mark, which
// QFile::decodeName() drops: a link to "\uFEFFname" is not one to "name".
QString linkText(const QString &link)
{
    const QByteArray name = QFile::encodeName(link);
    QByteArray buffer(4096, '\0');
    const ssize_t n = ::readlink(name.constData(), buffer.data(), size_t(buffer.size()));
    if (n <= 0 || n >= buffer.size())
        return QString();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(buffer.constData(), n));
}

} // namespace

std::optional<QString> target(const QString &path)
{
    const QFileInfo given(path);
    const QString folder = QFileInfo(given.absolutePath()).canonicalFilePath();
    // A folder that is not there: the write fails on its own.
    if (folder.isEmpty())
        return path;
    QString current = folder + u'/' + given.fileName();
    for (int hop = 0; hop <= kLongestChain; ++hop) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return info.isDir() ? std::nullopt : std::optional<QString>(current);
        // The next link of the chain, as the system follows it: its folder
        // part taken as it is on disk, links and ".." included.
        const QString next = linkText(current);
        const qsizetype slash = next.lastIndexOf(u'/');
        const QString name = next.mid(slash + 1);
        QString above = slash < 0 ? folder : next.left(slash);
        if (!above.startsWith(u'/'))
            above = folder + u'/' + above;
        if (slash == 0)
            above = QStringLiteral("/");
        if (name.isEmpty() || name == u"." || name == u".."
            || QFileInfo(above).canonicalFilePath() != folder)
            return std::nullopt;
        current = folder + u'/' + name;
    }
    return std::nullopt;
}

bool replace(const QString &path, const QByteArray &bytes)
{
    const std::optional<QString> where = target(path);
    if (!where)
        return false;
    const QFileInfo old(*where);
    const bool exists = old.exists();

    // The temporary file is made for the user alone, and takes the old
    // file's permissions only once it is complete.
    QFile temp;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temp.setFileName(temporaryName(*where));
        if (temp.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered,
                      kOwnerOnly))
            break;
        // Only a name that is taken is worth another try.
        const QFileInfo taken(temp.fileName());
        if (!taken.exists() && !taken.isSymLink())
            return false;
    }
    if (!temp.isOpen())
        return false;
    const bool written = temp.write(bytes) == bytes.size() && temp.flush()
                         && ::fsync(temp.handle()) == 0
                         && (!exists || temp.setPermissions(old.permissions() & kModeBits));
    temp.close();
    if (!written || temp.error() != QFileDevice::NoError
        || std::rename(QFile::encodeName(temp.fileName()).constData(),
                       QFile::encodeName(*where).constData())
                   != 0) {
        temp.remove();
        return false;
    }
    return true;
}

bool makeFolder(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    if (info.exists() || info.isSymLink())
        return false;
    const QString above = info.absolutePath();
    if (above == info.absoluteFilePath() || !makeFolder(above))
        return false;
    return QDir().mkdir(info.absoluteFilePath(), kOwnerFolder) || QFileInfo(path).isDir();
}

bool isLeftover(const QString &name, const QStringList &patterns)
{
    const qsizetype mark = name.size() - kTemporaryRandom - 1;
    if (mark < 1 || name.at(mark) != QChar(kTemporaryMark))
        return false;
    for (qsizetype i = mark + 1; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return false;
    }
    const QString written = name.left(mark);
    for (const QString &pattern : patterns) {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                                    QRegularExpression::CaseInsensitiveOption);
        if (re.match(written).hasMatch())
            return true;
    }
    return false;
}

QStringList clearLeftovers(const QString &folder, const QStringList &patterns)
{
    QStringList removed;
    const QDir dir(folder);
    for (const QFileInfo &info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (info.isSymLink() || !info.isFile() || !isLeftover(info.fileName(), patterns))
            continue;
        if (QFile::remove(info.absoluteFilePath()))
            removed.append(info.fileName());
    }
    return removed;
}

} // namespace FileWrite
