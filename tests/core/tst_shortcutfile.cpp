// Internet-shortcut files: the web page they lead to, and everything else
// that they must not lead to.
#include "shortcutfile.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestShortcutFile : public QObject
{
    Q_OBJECT

private slots:
    void webAddress_data();
    void webAddress();
    void shippedShortcut();
};

void TestShortcutFile::webAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // empty: nothing to open

    const QString head = u"[InternetShortcut]\r\n"_s;
    QTest::newRow("shipped form") << head + u"URL=https://orvane.example/\r\n"_s
                                  << u"https://orvane.example/"_s;
    QTest::newRow("http, LF, path and query")
            << u"[InternetShortcut]\nURL=http://orvane.example/kbd?list=1\n"_s
            << u"http://orvane.example/kbd?list=1"_s;
    QTest::newRow("case and spaces ignored")
            << u"  [internetshortcut] \r\n  url = HTTPS://Orvane.Example/Page \r\n"_s
            << u"https://orvane.example/Page"_s;
    QTest::newRow("byte-order mark") << u"\uFEFF"_s + head + u"URL=https://orvane.example/"_s
                                     << u"https://orvane.example/"_s;
    QTest::newRow("other keys around")
            << head + u"IDList=\r\nHotKey=0\r\nURL=https://orvane.example/\r\nIconIndex=1\r\n"_s
            << u"https://orvane.example/"_s;
    QTest::newRow("after another section")
            << u"[DEFAULT]\r\nBASEURL=https://elsewhere.example/\r\nURL=https://elsewhere.example/\r\n"_s
                       + head + u"URL=https://orvane.example/"_s
            << u"https://orvane.example/"_s;
    QTest::newRow("only in another section")
            << u"[DEFAULT]\r\nURL=https://orvane.example/\r\n[InternetShortcut]\r\nIconIndex=0\r\n"_s
            << QString();
    QTest::newRow("no section") << u"URL=https://orvane.example/\r\n"_s << QString();
    QTest::newRow("key that only starts with URL")
            << head + u"URLX=https://orvane.example/\r\n"_s << QString();
    QTest::newRow("first URL line counts")
            << head + u"URL=file:///etc/passwd\r\nURL=https://orvane.example/\r\n"_s << QString();
    QTest::newRow("empty address") << head + u"URL=\r\n"_s << QString();
    QTest::newRow("local file") << head + u"URL=file:///usr/bin/xterm"_s << QString();
    QTest::newRow("script") << head + u"URL=javascript:alert(1)"_s << QString();
    QTest::newRow("program path") << head + u"URL=/usr/bin/xterm"_s << QString();
    QTest::newRow("windows program")
            << head + u"URL=C:\\Windows\\System32\\calc.exe"_s << QString();
    QTest::newRow("ftp") << head + u"URL=ftp://orvane.example/"_s << QString();
    QTest::newRow("no host") << head + u"URL=https:///etc/passwd"_s << QString();
    QTest::newRow("space in host") << head + u"URL=https://orvane .example/"_s << QString();
    QTest::newRow("binary") << QString::fromLatin1("\x01\xff[Intern\0URL=https://x.example/", 32)
                            << QString();
}

void TestShortcutFile::webAddress()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const std::optional<QUrl> url = ShortcutFile::webAddress(text);
    QCOMPARE(url.has_value(), !expected.isEmpty());
    if (url)
        QCOMPARE(url->toString(), expected);
}

void TestShortcutFile::shippedShortcut()
{
    // The shortcut installed with the program leads to the maker's page.
    QCOMPARE(ShortcutFile::readWebAddress(QStringLiteral(PLUMTYPE_SOURCE_DATA "/Orvane.url")),
             QUrl(QLatin1String(ShortcutFile::kMakerAddress)));
    QCOMPARE(ShortcutFile::readWebAddress(QStringLiteral(PLUMTYPE_SOURCE_DATA "/no such.url")),
             std::nullopt);
}

QTEST_GUILESS_MAIN(TestShortcutFile)

#include "tst_shortcutfile.moc"
