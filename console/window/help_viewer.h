// Help on the desktop: the manual (console/core/help.h) opened in the desktop's browser, or in a
// help window of our own where nothing opens it, the help shown for a menu command in help mode
// (F1), Using Help and About.
#pragma once

#include <QString>

#include <functional>
#include <optional>

class QUrl;
class QWidget;

namespace console::window {

// Opens a URL; the default is the desktop's opener (QDesktopServices). Tests put their own in
// place so that no browser starts.
using UrlOpener = std::function<bool(const QUrl& url)>;
// An empty opener restores the desktop's.
void set_url_opener(UrlOpener opener);

// Opens the manual at a context's section, or at its top without one. Where the opener fails, the
// manual shows in the help window (a QTextBrowser named "help", a top-level window owned by
// `owner`'s window; one at a time, raised and moved to the section when asked again; Escape or
// Ctrl+W closes it). A manual that cannot be found or read is said in a box (owner `owner`,
// captioned `caption`).
void open_help(QWidget* owner, const QString& caption, std::optional<int> context);
// Help mode: the help of a menu command instead of the command, or the box "Help not available
// for menu item" for a command without a help context.
void help_for_command(QWidget* owner, const QString& caption, int command_id);
// Using Help: how the help works here.
void show_using_help(QWidget* owner, const QString& caption);
// About: an information box captioned with the application name showing the version text.
void show_about(QWidget* owner, const QString& caption);

}  // namespace console::window
