#include "files/dialogs.h"

#include "platform/platform.h"

namespace vantorel {

std::string buildDialogFilter(const std::string& filterText)
{
    std::string list;
    list.reserve(filterText.size() + 1);
    for (const char c : filterText)
        list.push_back(c == '|' ? '\0' : c);
    list.push_back('\0');
    return list;
}

std::string showSaveDialog(const std::string& filterText, const std::string& defaultExtension,
                           const std::string& startFolder)
{
    return platform().showSaveDialog(buildDialogFilter(filterText), defaultExtension, startFolder);
}

std::string showOpenDialog(const std::string& filterText, const std::string& startFolder)
{
    return platform().showOpenDialog(buildDialogFilter(filterText), startFolder);
}

}  // namespace vantorel
