#pragma once
// The clipboard with registered formats (RegisterClipboardFormatA) carried as MIME types. A
// writer opens, empties, sets one block per format and closes; the blocks it sets become the
// clipboard's. A reader gets a copy of the bytes in a new block that it frees itself.
#include <cstdint>
#include <string>

#include "platform/memory/global_memory.h"
#include "platform/windows/window_types.h"

namespace plat {

bool OpenClipboard(HWND owner);
bool EmptyClipboard();
// Takes the block (freed here, also on failure); false when the clipboard is not open.
bool SetClipboardData(uint32_t format, HGLOBAL block);
bool CloseClipboard();
bool IsClipboardFormatAvailable(uint32_t format);
// A new block with the bytes of that format, or null.
HGLOBAL GetClipboardDataCopy(uint32_t format);

// Plain text, kept as UTF-16 with every character: set while the clipboard is open (like a block,
// beside what is there unless it was emptied), read any time. False when there is no text or the clipboard is not open.
bool SetClipboardUnicodeText(const std::u16string& text);
bool GetClipboardUnicodeText(std::u16string* text);

}  // namespace plat
