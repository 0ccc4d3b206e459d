// Placeholders so that the window can be wired before the file commands land;
// this file is removed when they do.
#include "files/help.h"
#include "files/location_file.h"
#include "files/picture_file.h"

namespace vantorel {
void mnumandel_Click() {}
void howto_Click() {}
void mnuabout_Click() {}
void Form2_Load() {}
std::string dataFolderPath(const std::string&) { return {}; }
void mnusavelocation_Click() {}
void mnuloadlocation_Click() {}
void mnusavepicturebmp_Click() {}
} // namespace vantorel
