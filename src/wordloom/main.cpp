// Wordloom turns titled word lists into keyboard files.  The importer itself
// is still to come; for now the program only tells what it will do.
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream(stdout) << "Wordloom: the word-list importer is not ready yet.\n";
    return 0;
}
