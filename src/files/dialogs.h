#pragma once
// The open and save file dialogs as the file commands use them.

#include <string>

namespace vantorel {

// Splits the filter text at every "|" and ends each piece, the last one
// included (it may be empty), with a NUL: "a|b" gives "a\0b\0".
std::string buildDialogFilter(const std::string& filterText);

// The chosen full path, or "" when the user cancelled. The save dialog adds
// defaultExtension to a name typed without one; the open dialog adds nothing.
std::string showSaveDialog(const std::string& filterText, const std::string& defaultExtension,
                           const std::string& startFolder);
std::string showOpenDialog(const std::string& filterText, const std::string& startFolder);

}  // namespace vantorel
