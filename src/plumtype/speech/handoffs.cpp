// Hand-offs to other programs: the Keyboards folder opens in the system's
// file manager, and the maker's web page in the system's browser through the
// shortcut file "Orvane.url" in the program folder.  Neither is waited for.
#include "form1.h"

#include "shortcutfile.h"

#include <QDesktopServices>
#include <QUrl>

void Form1::kbdfolder_Click()
{
    MsgBox(QStringLiteral("Visit the Keyboard Library at ")
           + QLatin1String(ShortcutFile::kMakerAddress)
           + QStringLiteral(" to share your customized keyboards!\r\n"
                            "\r\n"
                            "Click OK to open up your keyboards folder, this is where you can "
                            "place downloaded keyboards.\r\n"
                            "\r\n"
                            "Don't forget to use the edit option to add a purple menu button "
                            "that will launch your new keyboard.\r\n"
                            "Set the button text with the file name of your downloaded "
                            "keyboard."));
    QDesktopServices::openUrl(QUrl::fromLocalFile(programPath(QStringLiteral("Keyboards")) + u'/'));
}

void Form1::openWebsite()
{
    // A missing or broken shortcut, or one that leads anywhere but to a web
    // page, opens nothing.
    const std::optional<QUrl> address =
            ShortcutFile::readWebAddress(programPath(QStringLiteral("Orvane.url")));
    if (address)
        QDesktopServices::openUrl(*address);
}
