#include "files/picture_file.h"

#include "files/dialogs.h"
#include "files/location_file.h"
#include "files/safe_file.h"
#include "platform/platform.h"

#include <string>

namespace vantorel {

void mnusavepicturebmp_Click()
{
    Platform& p = platform();
    // Without the persistent image there is no picture to save: what is on
    // the screen only is lost wherever the canvas was covered.
    if (!p.persistentImage()) {
        p.messageBox("Enable picture saving in the 'Options' first!", "Vantorel");
        return;
    }
    const std::string path = showSaveDialog("bmp", "bmp", dataFolderPath("picture"));
    // Like the location commands, the test is on the whole path, capitals not
    // accepted, and a name that fails it is told; only a cancel is silent.
    if (path.empty())
        return;
    if (path.find(".bmp") == std::string::npos) {
        p.messageBox("Could not save the picture to \"" + path + "\".\r\nPictures end in \".bmp\", in small letters.",
                     "Vantorel");
        return;
    }
    // The canvas as it is now, also in the middle of a plot. It is written
    // beside the target and renamed over it, so an older picture of that name
    // stays whole when the save fails; the user is told why, for a picture
    // believed saved and lost is worse than a message.
    const std::string bitmap = p.canvasBmp();
    const std::string problem = bitmap.empty() ? "The picture could not be turned into a bitmap."
                                               : replaceFileContents(path, bitmap.data(), bitmap.size());
    if (!problem.empty())
        p.messageBox("Could not save the picture to \"" + path + "\".\r\n" + problem, "Vantorel");
}

}  // namespace vantorel
