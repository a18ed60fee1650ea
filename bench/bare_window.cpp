// The yardstick for Plumtype's start-up: a bare Qt window with a text box and
// 120 buttons, which counts the typed words in its title as Plumtype does.
// bench/startup.sh starts both the same way and compares them.

#include <QApplication>
#include <QGridLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    auto *grid = new QGridLayout(&window);
    auto *text = new QPlainTextEdit(&window);
    grid->addWidget(text, 0, 0, 1, 12);
    for (int i = 0; i < 120; ++i)
        grid->addWidget(new QPushButton(QStringLiteral("key %1").arg(i + 1), &window), 1 + i / 12,
                        i % 12);
    const auto title = [&] {
        const qsizetype words = text->toPlainText().split(u' ', Qt::SkipEmptyParts).size();
        window.setWindowTitle(QStringLiteral("Bare window - (%1)").arg(words));
    };
    QObject::connect(text, &QPlainTextEdit::textChanged, &window, title);
    title();
    text->setFocus();
    window.resize(1000, 700);
    window.show();
    return app.exec();
}
