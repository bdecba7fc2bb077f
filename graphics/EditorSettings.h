#pragma once
// The user's chosen editor size, remembered per user in a small text file in
// the platform's configuration folder: $XDG_CONFIG_HOME/PRODUCT/editor.conf
// (else ~/.config/PRODUCT/editor.conf) on Linux, %APPDATA%\PRODUCT\editor.conf
// on Windows. It is never part of the plug-in's state. The file holds one line,
// "scale=N" with N a supported scale in percent.
#include <string>

namespace torvik {

// The settings file's path for a product; empty when the platform names no
// configuration folder.
std::string EditorSettingsPath(const char* product);
// The remembered scale, or 0 when the file is missing, unreadable, larger
// than a settings file can be, or holds no supported scale.
int ReadEditorScale(const std::string& path);
// Remembers a supported scale: writes a temporary file beside the settings
// file and renames it over, creating the folder when needed. False when the
// scale is unsupported or the file cannot be written; nothing is left behind.
bool WriteEditorScale(const std::string& path, int percent);

} // namespace torvik
