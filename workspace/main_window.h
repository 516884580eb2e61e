#pragma once
// The main window as the other windows need it when they do not need its widgets: the owner of
// the windows they show and the place they are shown at.
namespace rt {
class Form;
}

namespace ws {

// The main window, made when it is not there yet.
rt::Form* mainWindow();
// The main window when it is loaded; null otherwise.
rt::Form* loadedMainWindow();

}  // namespace ws
