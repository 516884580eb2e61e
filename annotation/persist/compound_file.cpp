// The engine's annotations as a compound file: the stream of all layers under "Scribvane5" and
// the document texts in the summary-information property set.
#include <QString>

#include "annotation/engine.h"
#include "annotation/engine_guard.h"
#include "annotation/persist/memory_stream.h"
#include "platform/ole/ole.h"
#include "platform/ole/storage.h"
#include "platform/windows/window.h"

using namespace ann_detail;

namespace {

constexpr const char* kStreamName = "Scribvane5";

std::string utf8Of(plat::BSTR s) { return QString::fromStdU16String(plat::SysToU16(s)).toStdString(); }

std::string pathOf(plat::BSTR fileName) { return utf8Of(fileName); }

void replaceText(plat::BSTR* target, const std::optional<std::string>& text) {
  if (!text) return;  // a property that could not be read leaves the text as it was
  std::u16string u = QString::fromStdString(*text).toStdU16String();
  plat::BSTR s = plat::SysAllocFromU16(u);
  if (!s) return;
  plat::SysFreeString(*target);
  *target = s;
}

}  // namespace

int32_t AnnEngine::SaveFile(plat::BSTR fileName) {
  return guardedCode([&]() -> int32_t {
    if (!fileName || plat::SysStringLen(fileName) == 0) return ERR_CREATE_FILE;
    AnnStreamRef stream;
    if (!stream.MakeMemory()) return ERR_NO_MEMORY;
    if (int32_t r = WriteAllLayers(stream.get())) return r;
    uint64_t count = 0;
    const uint8_t* data = stream.Written(&count);
    if (!data || count == 0) return ERR_STREAM;
    plat::SummaryInformation summary;
    summary.comments = utf8Of(comments_);
    summary.author = utf8Of(author_);
    summary.title = utf8Of(title_);
    summary.subject = utf8Of(subject_);
    switch (plat::WriteCompoundFile(pathOf(fileName), kStreamName, data, count, summary)) {
      case plat::StorageResult::Ok: return ANN_OK;
      case plat::StorageResult::WriteFailed: return ERR_STREAM;
      default: return ERR_CREATE_FILE;
    }
  });
}

int32_t AnnEngine::LoadFile(plat::BSTR fileName) {
  return guardedCode([&]() -> int32_t {
    if (!fileName || plat::SysStringLen(fileName) == 0) return ERR_NOT_STORAGE_FILE;
    std::vector<uint8_t> bytes;
    plat::SummaryInformation summary;
    switch (plat::ReadCompoundFile(pathOf(fileName), kStreamName, &bytes, &summary)) {
      case plat::StorageResult::Ok: break;
      case plat::StorageResult::OpenFailed: return ERR_OPEN_STORAGE;
      default: return ERR_NOT_STORAGE_FILE;
    }
    AnnStreamRef stream;
    if (bytes.empty()) return ERR_STREAM;
    if (!stream.MakeReader(bytes.data(), bytes.size())) return ERR_NO_MEMORY;
    int32_t r = ReplaceAllLayers(stream.get());
    if (r == ANN_OK) {
      replaceText(&comments_, summary.comments);
      replaceText(&author_, summary.author);
      replaceText(&subject_, summary.subject);
      replaceText(&title_, summary.title);
    }
    RepaintAfterLoad();
    return r;
  });
}
