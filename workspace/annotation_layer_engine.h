#pragma once
// The program's layer engine: an annotation control of its own that shows nothing, so that taking
// in a file's layers and burning pages for a save never disturb what the page view is editing.
#include "workspace/document/layer_engine.h"

namespace ws {

// Made on first use; lives as long as the program.
LayerEngine& annotationLayerEngine();

}  // namespace ws
