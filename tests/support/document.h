#pragma once
// The program's open document, as tests reach it: through its session.
#include "workspace/document/document_session.h"

namespace testsupport {

inline ws::DocumentState& doc() { return ws::document().state(); }

}  // namespace testsupport
