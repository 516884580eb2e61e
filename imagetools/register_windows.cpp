#include "imagetools/register_windows.h"

#include "workspace/window_openers.h"

void registerImageToolsWindows() {}
