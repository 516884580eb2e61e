// The annotations in the published layout of named blocks that TIFF files carry for annotations:
// per mark a 164-byte attributes record followed by its blocks. Written only; never read back.
#include <QString>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "annotation/elements/element.h"
#include "annotation/engine.h"
#include "annotation/engine_guard.h"
#include "annotation/layer.h"
#include "annotation/persist/memory_stream.h"
#include "annotation/persist/stream_io.h"
#include "annotation/rect_util.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"
#include "platform/ole/ole.h"

using namespace ann_detail;

namespace {

constexpr uint32_t kItemDefaultBlock = 2;
constexpr uint32_t kItemMark = 5;
constexpr uint32_t kItemNamedBlock = 6;
constexpr uint32_t kPermissions = 0x000FF83F;
constexpr char kUntitled[] = "[Untitled]";

// Block names are 8 bytes, padded with zero bytes when shorter.
void blockHeader(AnnStreamWriter& out, uint32_t item, const char* name, uint32_t contentSize) {
  char field[8] = {};
  std::memcpy(field, name, std::min<size_t>(8, std::strlen(name)));
  out.U32(item);
  out.U32(12);
  out.Bytes(field, 8);
  out.U32(contentSize);
}

// A text in the ANSI code page as exactly units + 1 bytes, terminator included.
std::string ansiField(plat::BSTR s) {
  std::string bytes = plat::SysToAnsi(s);
  bytes.resize(s ? plat::SysStringLen(s) : 0, '?');
  bytes.push_back('\0');
  return bytes;
}

// The 42-byte content that stands for an unnamed group in the UTF-16 form.
void untitledUnicode(AnnStreamWriter& out) {
  out.U32(12);
  out.Bytes(kUntitled, 10);
  out.Bytes("\0\0", 2);
  for (char c : std::string_view(kUntitled)) {
    char16_t u = char16_t(c);
    out.Bytes(&u, 2);
  }
  out.U32(0);
  out.Bytes("\0\0", 2);
}

void colourField(AnnStreamWriter& out, int32_t colour) {
  uint8_t bgr0[4] = {uint8_t((colour >> 16) & 0xFF), uint8_t((colour >> 8) & 0xFF), uint8_t(colour & 0xFF), 0};
  out.Bytes(bgr0, 4);
}

struct MarkRecord {
  uint32_t type = 0;
  plat::RECT bounds{};
  int32_t colour1 = 0, colour2 = 0;
  uint32_t highlighting = 0, transparent = 0, lineSize = 0;
  bool hasFont = false;
  plat::LOGFONTA font{};
  int32_t time = 0;
  bool visible = true;

  void Write(AnnStreamWriter& out) const {
    out.U32(kItemMark);
    out.U32(164);
    out.U32(type);
    out.Bytes(&bounds, 16);
    colourField(out, colour1);
    colourField(out, colour2);
    out.U32(highlighting);
    out.U32(transparent);
    out.U32(lineSize);
    out.U32(0);
    out.U32(0);
    plat::LOGFONTA f{};
    if (hasFont) f = font;
    out.Bytes(&f, sizeof f);
    out.U32(0);
    out.I32(time);
    out.U32(visible ? 1 : 0);
    out.U32(kPermissions);
    const uint8_t reserved[40] = {};
    out.Bytes(reserved, sizeof reserved);
  }
};

}  // namespace

int32_t AnnLayer::ExportOiBlocks(AnnStreamWriter& out, bool layerBlocks, bool firstLayer) {
  return WriteOiBlocks(out, layerBlocks, firstLayer, true);
}

int32_t AnnLayer::ExportOiBlocks2(AnnStreamWriter& out, bool layerBlocks, bool firstLayer) {
  return WriteOiBlocks(out, layerBlocks, firstLayer, false);
}

int32_t AnnLayer::WriteOiBlocks(AnnStreamWriter& out, bool layerBlocks, bool firstLayer, bool unicode) {
  if (layerBlocks) {
    if (name_ && plat::SysStringLen(name_) > 0) {
      std::string name = ansiField(name_);
      out.U32(uint32_t(name.size()));
      out.Bytes(name.data(), uint32_t(name.size()));
    } else if (unicode) {
      out.U32(42);
      untitledUnicode(out);
    } else {
      out.U32(11);
      out.Bytes(kUntitled, 11);
    }
  }
  if (elements_.empty()) return ANN_OK;
  AnnView* view = services_.view;
  if (view) view->Refresh();
  const int32_t dpiY = std::max(1, plat::GetDeviceCaps(plat::GetScreenDC(), plat::LOGPIXELSY));
  bool firstMark = firstLayer;
  for (auto& owned : elements_) {
    AnnElement* e = owned.get();
    e->RunPendingConversion();
    const int32_t kind = e->Kind();
    MarkRecord m;
    plat::RECT r = e->Rect();
    plat::POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
    if (view) view->LogicalToPixels(corners, corners, 2);
    m.bounds = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    m.time = e->CreationTimeT();
    m.visible = e->Visible();
    const int32_t back = e->Value(PROP_BACK_STYLE, 2);
    std::vector<plat::POINT> points;
    plat::HGLOBAL image = nullptr;
    bool textBlocks = false;
    switch (kind) {
      case TOOL_TEXT:
      case TOOL_STAMP: {
        m.type = kind == TOOL_TEXT ? uint32_t(e->Value(PROP_OI_MARK_TYPE, 7)) : 9;
        bool inverse = m.type == 10;
        m.colour1 = e->Value(inverse ? PROP_BACK_COLOR : PROP_TEXT_COLOR);
        m.colour2 = e->Value(inverse ? PROP_TEXT_COLOR : PROP_BACK_COLOR);
        m.highlighting = !inverse && e->Value(PROP_HIGHLIGHT_BACK) != 0;
        m.transparent = !inverse && back == 1;
        m.lineSize = uint32_t(e->Value(PROP_PEN_WIDTH));
        AnnValue fontOut = reinterpret_cast<AnnValue>(&m.font);
        m.hasFont = e->GetPropertyEx(PROP_FONT, &fontOut) == ANN_OK;
        // In points; the magnitude is taken before narrowing, so no height can overflow it.
        m.font.lfHeight = annSaturate(std::abs(int64_t(m.font.lfHeight) * 72 / dpiY));
        textBlocks = true;
        break;
      }
      case TOOL_RECTANGLE:
        m.type = back == 1 ? 5 : 6;
        m.colour1 = e->Value(m.type == 5 ? PROP_PEN_COLOR : PROP_FILL_COLOR);
        m.highlighting = back == 3;
        m.transparent = back == 1;
        if (m.type == 5) m.lineSize = uint32_t(e->Value(PROP_PEN_WIDTH));
        break;
      case TOOL_LINE:
      case TOOL_FREEHAND: {
        m.type = kind == TOOL_LINE ? 3 : 4;
        m.colour1 = e->Value(PROP_PEN_COLOR);
        m.highlighting = e->Value(PROP_PEN_FILL_STYLE) == 9;
        m.lineSize = uint32_t(e->Value(PROP_PEN_WIDTH));
        AnnValue count = 0;
        e->GetPropertyEx(PROP_POINT_COUNT, &count);
        for (int32_t i = 0; i < int32_t(count); ++i) {
          plat::POINT p{};
          if (e->GetPoint(i, &p) == ANN_OK) points.push_back({p.x - m.bounds.left, p.y - m.bounds.top});
        }
        if (points.empty()) continue;
        break;
      }
      case TOOL_IMAGE: {
        AnnValue block = 0;
        if (e->GetPropertyEx(PROP_IMAGE, &block) != ANN_OK || !block) continue;
        image = reinterpret_cast<plat::HGLOBAL>(block);
        if (!plat::PackedDibSizeInBlock(image)) continue;
        m.type = 1;
        m.transparent = back == 1;
        break;
      }
      default:
        continue;  // ellipses, polygons, polylines and buttons have no form in this layout
    }

    const uint32_t item = firstMark ? kItemDefaultBlock : kItemNamedBlock;
    firstMark = false;
    if (!layerBlocks) {
      if (unicode) {
        blockHeader(out, item, "OiUGroup", 42);
        untitledUnicode(out);
        blockHeader(out, item, "OiGroup", 12);
        out.Bytes("[Untitled]\0\0", 12);
      } else {
        blockHeader(out, item, "OiGroup", 11);
        out.Bytes(kUntitled, 11);
      }
    }
    char index[10] = {};
    std::string id = std::to_string(e->Id());
    std::memcpy(index, id.data(), std::min<size_t>(id.size(), 9));
    blockHeader(out, item, "OiIndex", 10);
    out.Bytes(index, 10);
    m.Write(out);

    if (!points.empty()) {
      blockHeader(out, kItemNamedBlock, "OiAnoDat", uint32_t(8 + 8 * points.size()));
      out.U32(uint32_t(points.size()));
      out.U32(uint32_t(points.size()));
      out.Bytes(points.data(), uint32_t(8 * points.size()));
    }
    if (image) {
      std::size_t size = plat::PackedDibSizeInBlock(image);
      auto* dib = static_cast<const uint8_t*>(plat::GlobalLock(image));
      blockHeader(out, kItemNamedBlock, "OiDIB", uint32_t(size));
      out.Bytes(dib, uint32_t(size));
      int32_t width = 0;
      std::memcpy(&width, dib + 4, 4);
      plat::GlobalUnlock(image);
      blockHeader(out, kItemNamedBlock, "OiAnoDat", 56);
      out.U32(1);
      out.U32(1000);
      for (int i = 0; i < 4; ++i) out.I32(width);
      const uint8_t zeros[32] = {};
      out.Bytes(zeros, 32);
    }
    if (textBlocks) {
      AnnValue textOut = 0;
      e->GetPropertyEx(PROP_TEXT, &textOut);
      plat::BSTR text = reinterpret_cast<plat::BSTR>(textOut);
      const uint32_t len = plat::SysStringLen(text);
      std::string ansi = ansiField(text);
      if (unicode) {
        blockHeader(out, kItemNamedBlock, "OiUGroup", 42);
        untitledUnicode(out);
        blockHeader(out, kItemNamedBlock, "OiUText", 3 * len + 7);
        out.U32(len + 1);
        out.Bytes(ansi.data(), len + 1);
        out.Bytes(text ? text : u"", 2 * len);
        out.Bytes("\0\0", 2);
      }
      blockHeader(out, kItemNamedBlock, "OiAnText", len + 17);
      out.I32(e->Value(PROP_TEXT_ORIENTATION));
      out.U32(1000);
      out.U32(uint32_t(oiCreationScale_));
      out.U32(len + 1);
      out.Bytes(ansi.data(), len + 1);
      plat::SysFreeString(text);
    }
  }
  return ANN_OK;
}

// ---------------------------------------------------------------------------------------------

int32_t AnnEngine::ExportOi(void** block, int32_t layerBlocks, bool unicode) {
  if (block) *block = nullptr;
  return guarded<int32_t>(0, [&]() -> int32_t {
    if (layers_.empty() || !saveEnabled_ || !block) return 0;
    int32_t scale = 1000;
    double unit = 0.0;
    if (fontCache_->HostUnit(&unit)) scale = int32_t(unit + 0.5);
    AnnStreamRef stream;
    if (!stream.MakeMemory()) return 0;
    {
      AnnStreamWriter out(stream.get());
      out.U32(unicode ? 0x00030004u : 0u);
      out.U32(1);
      bool first = true;
      for (auto& l : layers_) {
        if (lowByte(layerBlocks)) {
          out.U32(first ? kItemDefaultBlock : kItemNamedBlock);
          out.U32(12);
          char name[8] = {};
          std::memcpy(name, unicode ? "OIUGROUP" : "OiGroup", unicode ? 8 : 7);
          out.Bytes(name, 8);
        }
        l->SetOiCreationScale(scale);
        if (unicode) l->ExportOiBlocks(out, lowByte(layerBlocks), first);
        else l->ExportOiBlocks2(out, lowByte(layerBlocks), first);
        first = false;
      }
      blockHeader(out, kItemNamedBlock, "OiGroup", 11);
      out.Bytes(kUntitled, 11);
      blockHeader(out, kItemNamedBlock, "OiIndex", 10);
      out.Bytes("0\0\0\0\0\0\0\0\0\0", 10);
      if (!out.Ok()) return 0;
    }
    return stream.CopyToTaskMemory(block);
  });
}

int32_t AnnEngine::ExportOiAnnotations(void** block, int32_t layerBlocks) { return ExportOi(block, layerBlocks, true); }

int32_t AnnEngine::ExportOiAnnotationsAnsi(void** block, int32_t layerBlocks) {
  return ExportOi(block, layerBlocks, false);
}
