#pragma once
// The tool factory's maker of element kinds: one element of the kind a tool draws, with the tool's
// default properties.
#include <cstdint>
#include <memory>

#include "annotation/elements/element.h"

// Null for the kinds this build does not make.
std::unique_ptr<AnnElement> annMakeElement(int32_t kind, const AnnPropertyMap& defaults);
