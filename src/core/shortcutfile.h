#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Internet-shortcut files (".url"): an "[InternetShortcut]" section whose
// "URL=" line holds the address to open.  Plumtype opens only web pages
// through them, so that a shortcut file that has been swapped or edited can
// never start a program or open a local file.
namespace ShortcutFile {

// The maker's web page: shown in the keyboards-folder notice and held by the
// shipped shortcut "Orvane.url".
inline constexpr char kMakerAddress[] = "https://orvane.example/";

// The address of the shortcut text's "URL=" line in its "[InternetShortcut]"
// section (names without regard to letter case, spaces around them ignored),
// when it is an http or https address with a host; nullopt otherwise.
std::optional<QUrl> webAddress(const QString &text);

// The same for a file; nullopt when the file cannot be read.
std::optional<QUrl> readWebAddress(const QString &path);

} // namespace ShortcutFile
