#pragma once
// The object descriptor: a record a host fills field by field and turns into an element in one
// call, or has filled from an existing element. It owns its point array, strings and picture.
#include <cstdint>
#include <vector>

#include "annotation/engine_interface.h"
#include "platform/graphics/gdi_types.h"

struct AnnObjectDesc {
  AnnObjectDesc();
  ~AnnObjectDesc();
  AnnObjectDesc(const AnnObjectDesc&) = delete;
  AnnObjectDesc& operator=(const AnnObjectDesc&) = delete;

  // Field access by field type (the property id each field carries); ERR_NO_PROPERTY for others.
  int32_t SetField(int32_t field, AnnValue value);
  int32_t GetField(int32_t field, AnnValue* out) const;
  // The field of an element property id, for the ids the descriptor carries as plain values.
  bool PlainValue(int32_t id, int32_t* value) const;

  std::vector<plat::POINT> points;  // page pixels
  plat::RECT rect{};                // page pixels
  int32_t penColour = 0xFF0000;
  int32_t fillColour = 0xC0C0C0;
  int32_t textColour = 0;
  int32_t backColour = 0;
  int32_t transparentColour = 0xFFFFFF;
  int32_t bevelLight = 0;
  int32_t bevelShadow = 0;
  int32_t hatchColour = 0;
  int32_t penWidth = 1;
  int32_t pair[2] = {0, 0};
  plat::BSTR text = nullptr;
  plat::BSTR userString2 = nullptr;
  plat::BSTR userString = nullptr;
  plat::LOGFONTA font{};
  int32_t type = 0;
  int32_t value18 = 0;
  int32_t arrowhead = 0;
  int32_t autoSize = 0;
  int16_t highlightFill = 0, highlightBack = 0;
  int16_t visible = -1, locked = 0, showHandles = -1, moveable = -1, sizeable = -1, selected = 0, customDraw = 0,
          textLocked = 0;
  int32_t penStyle = 0;
  int32_t penFillStyle = 13;
  int32_t backStyle = 2;
  int32_t markType = 7;
  int32_t zPosition = 0;
  int32_t customDrawValue = 0;
  int32_t textOrientation = 0;
  int32_t hatchStyle = HATCH_NONE;
  int32_t justification = 0;
  plat::HGLOBAL image = nullptr;
  int32_t creationTime = 0;
};
