// The product as the desktop and the user see it: the texts of
// `tessary --version` and `tessary --help`, the application's desktop name
// and icon, and Help > About.
#pragma once

#include <QString>
#include <optional>
#include <string>

class QMenuBar;
class QWidget;

namespace tessary {

// What the command line asks to print instead of opening the window: the
// version for --version, the usage for --help or -h (the first of them
// before a "--" counts), or nothing. Checked before the window system
// starts, so that both work without a display.
std::optional<std::string> InfoOptionText(int argc, const char* const* argv);

// The usage text that --help prints.
std::string UsageText();

// The first argument that looks like an option but is neither the
// editor's nor one of Qt's own (-style, -platform, ...), or nothing.
// Arguments after "--" are file names.
std::optional<std::string> UnknownOption(int argc, const char* const* argv);

// Names the application after its desktop entry and takes the installed
// icon, when there is one, as the icon of its windows.
void SetDesktopIdentity();

// The About box's text: name, version, description, copyright and licence.
QString AboutText();
void ShowAboutBox(QWidget* parent);

// Adds the menu "Help" with "About Tessary..." at the end of the menu bar.
void AddHelpMenu(QMenuBar* bar, QWidget* window);

}  // namespace tessary
