#include "annotation/elements/element_factory.h"

#include "annotation/elements/button_element.h"
#include "annotation/elements/image_element.h"
#include "annotation/elements/poly_element.h"
#include "annotation/elements/rect_element.h"
#include "annotation/elements/stamp_element.h"
#include "annotation/elements/text_element.h"

std::unique_ptr<AnnElement> annMakeElement(int32_t kind, const AnnPropertyMap& defaults) {
  if (kind == TOOL_RECTANGLE || kind == TOOL_ELLIPSE) return std::make_unique<AnnRectElement>(kind, defaults);
  if (AnnElement::IsPointKind(kind)) return std::make_unique<AnnPolyElement>(kind, defaults);
  if (kind == TOOL_TEXT) return std::make_unique<AnnTextElement>(kind, defaults);
  if (kind == TOOL_STAMP) return std::make_unique<AnnStampElement>(kind, defaults);
  if (kind == TOOL_IMAGE) return std::make_unique<AnnImageElement>(kind, defaults);
  if (kind == TOOL_BUTTON) return std::make_unique<AnnButtonElement>(kind, defaults);
  return nullptr;
}
