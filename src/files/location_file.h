#pragma once
// Location files (view and parameters, 50 bytes) and the data folders.

#include <string>

namespace vantorel {

// "location" or "picture": the program's folder, the data folder's name and a
// final separator.
std::string dataFolderPath(const std::string& kind);

void mnusavelocation_Click();  // "&Save location"
void mnuloadlocation_Click();  // "&Load location"

}  // namespace vantorel
