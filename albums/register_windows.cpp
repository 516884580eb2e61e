#include "albums/register_windows.h"

#include "workspace/window_openers.h"

void registerAlbumWindows() {}
