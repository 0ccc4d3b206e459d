#include "ui/headless.h"

#include "files/bmp_file.h"
#include "files/help.h"
#include "ui/parameter_controls.h"

namespace vantorel {

void connectHeadlessHandlers(MemoryPlatform& platform)
{
    platform.onScrollBarChanged = scrollBarChanged;
    platform.onInformationWindowLoad = Form2_Load;
    platform.encodeBmp = encodeBmp24;
}

}  // namespace vantorel
