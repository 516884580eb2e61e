#pragma once
// Writing the open document's pages as its save plan says: a one-page format from the page view
// (its annotations burned in), or every page of the strip, page by page, with its stored
// annotation layer (kept in the file or burned in).
class frmImgClntForm;

namespace ws {

struct SavePlan;

// Raises rt::RuntimeError when a page cannot be written or its annotations cannot be burned in;
// the target, the pages and their annotations are then as they were.
void writeDocumentPages(frmImgClntForm& w, const SavePlan& plan);

}  // namespace ws
