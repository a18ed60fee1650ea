#pragma once

// Shared by the fuzz targets: a property check that stops the run, a reader
// of numbers and texts out of the fuzzer's bytes, and a scratch folder.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

// For the checks' own helpers that read what the code under test made (a
// text it wrote, say): their branches tell libFuzzer nothing about that code,
// and their coverage would cost on every byte.
#if defined(__clang__)
#    define FUZZ_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#    define FUZZ_NO_COVERAGE
#endif

// A broken property aborts, so that libFuzzer keeps the input as a crash and
// the regression run fails on it.
[[noreturn]] inline void fuzzFail(const char *what, const char *file, int line,
                                  const QString &detail)
{
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", qPrintable(detail));
    std::abort();
}

#define FUZZ_CHECK(cond, detail) \
    do { \
        if (!(cond)) \
            fuzzFail(#cond, __FILE__, __LINE__, (detail)); \
    } while (0)

// Texts shown in failure messages: control characters and non-ASCII escaped.
inline QString shown(const QString &s)
{
    QString out;
    for (QChar c : s) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar(u'0'));
    }
    return u'"' + out + u'"';
}

// Numbers come from the back of the input, texts from the front, so that the
// front of a seed stays a readable file.
class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size)
        : m_data(reinterpret_cast<const char *>(data)), m_end(size)
    {
    }

    size_t remaining() const { return m_end - m_begin; }

    uint8_t takeByte()
    {
        if (m_end == m_begin)
            return 0;
        return static_cast<uint8_t>(m_data[--m_end]);
    }

    uint32_t takeInt(uint32_t bound) // 0 to bound
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | takeByte();
        return bound == std::numeric_limits<uint32_t>::max() ? v : v % (bound + 1);
    }

    bool takeBool() { return takeByte() & 1; }

    // Mostly sizes a window can have, sometimes anything a double can hold.
    double takeDouble()
    {
        switch (takeByte() % 8) {
        case 0:
            return 0;
        case 1: {
            double v;
            const uint64_t bits = (uint64_t(takeInt(0xFFFFFFFFu)) << 32) | takeInt(0xFFFFFFFFu);
            std::memcpy(&v, &bits, sizeof v);
            return v;
        }
        case 2:
            return -double(takeInt(20000));
        case 4: // near the largest finite values, either sign
            return (takeBool() ? -1.0 : 1.0)
                   * std::ldexp(1.0 + takeByte() / 256.0, 1000 + takeByte() % 24);
        case 3:
            return double(takeInt(20000)) + takeByte() / 256.0;
        default:
            return double(takeInt(30000));
        }
    }

    // The first n bytes of what is left.
    QByteArray takeFront(size_t n)
    {
        n = std::min(n, remaining());
        QByteArray bytes(m_data + m_begin, qsizetype(n));
        m_begin += n;
        return bytes;
    }

    QByteArray rest() { return takeFront(remaining()); }

    // Up to the next byte `stop` (dropped) or the end.
    QByteArray takeUntil(char stop)
    {
        size_t n = 0;
        while (m_begin + n < m_end && m_data[m_begin + n] != stop)
            ++n;
        QByteArray bytes = takeFront(n);
        if (m_begin < m_end)
            ++m_begin;
        return bytes;
    }

private:
    const char *m_data;
    size_t m_begin = 0;
    size_t m_end;
};

// Any UTF-16 text, lone surrogates included: two bytes a code unit.
inline QString utf16From(const QByteArray &bytes)
{
    QString s;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        s += QChar(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
    return s;
}

inline bool hasLoneSurrogate(const QString &s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

// Properties that need files cost many times what the rest costs.  Under
// libFuzzer they are checked on one input in kDiskEvery (or in `every`, for
// a target whose files cost more still), the first one included (so that a
// saved crash input replays them); the regression runs (driver.cpp) check
// them on every input.
inline constexpr unsigned kDiskEvery = 16;
inline bool g_diskEveryInput = false;

inline bool diskTurn(unsigned every = kDiskEvery)
{
    static unsigned inputs = 0;
    return g_diskEveryInput || inputs++ % every == 0;
}

// A folder for the files one run writes, emptied before every input.
inline QString scratchFolder()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/plumtype-fuzz-XXXXXX"));
    const QString path = dir.path() + QStringLiteral("/run");
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

// Links that lead a write out of its folder.  `folder` is where the target
// writes; "outside" beside it holds one file.  plant() puts a link of a kind
// the input picks at a name the target is about to write; untouched() tells
// whether everything outside `folder` is as it was.
class LinkTrap
{
public:
    explicit LinkTrap(const QString &folder)
        : m_folder(folder), m_outside(QFileInfo(folder).absolutePath() + QStringLiteral("/outside"))
    {
        QDir().mkpath(m_folder);
        QDir(m_outside).removeRecursively();
        QDir().mkpath(m_outside);
        QFile victim(m_outside + QStringLiteral("/victim.txt"));
        if (victim.open(QIODevice::WriteOnly))
            victim.write(kVictim);
    }

    static constexpr int kKinds = 5;

    void plant(const QString &name, uint8_t kind) const
    {
        const QString at = m_folder + u'/' + name;
        switch (kind % kKinds) {
        case 0: // a file outside
            QFile::link(QStringLiteral("../outside/victim.txt"), at);
            break;
        case 1: // a file outside that is not there yet
            QFile::link(QStringLiteral("../outside/made.txt"), at);
            break;
        case 2: // the folder outside
            QFile::link(QStringLiteral("../outside"), at);
            break;
        case 3: // a chain through a link inside
            QFile::link(QStringLiteral("../outside/victim.txt"), at + QStringLiteral(".hop"));
            QFile::link(name + QStringLiteral(".hop"), at);
            break;
        default: // an absolute path outside
            QFile::link(m_outside + QStringLiteral("/victim.txt"), at);
            break;
        }
    }

    bool untouched() const
    {
        QFile victim(m_outside + QStringLiteral("/victim.txt"));
        return victim.open(QIODevice::ReadOnly) && victim.readAll() == kVictim
               && QDir(m_outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                          == QStringList { QStringLiteral("victim.txt") };
    }

private:
    static constexpr const char *kVictim = "outside\r\n";
    QString m_folder;
    QString m_outside;
};
