// Runs a fuzz target once over every file given on the command line (a folder
// stands for the files in it), for builds without libFuzzer: the committed
// seeds and crash inputs become a regression test.

#include "fuzzcheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

int main(int argc, char **argv)
{
    g_diskEveryInput = true;
    int ran = 0;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const QFileInfo info(arg);
        QStringList files;
        if (info.isDir()) {
            for (const QString &name : QDir(arg).entryList(QDir::Files, QDir::Name))
                files.append(QDir(arg).filePath(name));
        } else if (info.exists()) {
            files.append(arg);
        } else {
            // A target may have no crash inputs yet: its folder then is missing.
            std::fprintf(stderr, "skipping missing %s\n", argv[i]);
        }
        for (const QString &path : files) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            std::fprintf(stderr, "running %s (%lld bytes)\n", qPrintable(path),
                         static_cast<long long>(bytes.size()));
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()),
                                   size_t(bytes.size()));
            ++ran;
        }
    }
    std::printf("%d inputs passed\n", ran);
    // No input at all means the seeds were not found: that is no pass.
    return ran > 0 ? 0 : 1;
}
