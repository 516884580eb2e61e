#pragma once
// Edits of a control's whole picture that may take long: run as rt::RunBusy runs work.
#include "controls/imaging/bitmap.h"

#include <functional>

namespace img {

class ImagingControl;

// Runs op on the control's picture with the busy pointer; the result replaces the picture (the
// previous one can be undone). A large picture is processed beside the user-interface thread
// while a progress window keeps the program painting. False, with the picture as it was, when op
// failed (the failure shown as rt::RunBusy shows it).
bool runOnControl(ImagingControl* ix, const std::function<void(Bitmap&)>& op);
// The same for an operation that makes a new picture from the control's, which it reads in place:
// no copy of the page is made for it (crops, resizes).
bool makeOnControl(ImagingControl* ix, const std::function<Bitmap(const Bitmap&)>& make);
}  // namespace img
