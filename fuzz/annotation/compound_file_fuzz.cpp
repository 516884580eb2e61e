// libFuzzer target: arbitrary bytes read as a compound file of annotations by an engine that
// already has a layer. A failed load answers with a result code and leaves the layers as they were.
#include <QDir>
#include <QFile>

#include <unistd.h>

#include "fuzz/annotation/fuzz_engine.h"

namespace {

AnnEngine* gEngine = nullptr;
QString gPath;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static char name[] = "compound_file_fuzz";
  gEngine = annStartFuzzEngine(name);
  gPath = QDir::temp().filePath(QStringLiteral("compound_file_fuzz.%1.ann").arg(getpid()));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  gEngine->SetEngineProperty(EPROP_LOCKED, 0);
  gEngine->SetDefaultViewSize(800, 600);
  gEngine->DeleteAllLayers();
  AnnLayerHandle before = gEngine->CreateLayer(1);
  {
    QFile f(gPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), qint64(size));
  }
  std::u16string path = gPath.toStdU16String();
  plat::BSTR name = plat::SysAllocFromU16(path);
  int32_t r = gEngine->LoadFile(name);
  plat::SysFreeString(name);
  if (r != ANN_OK && (gEngine->GetLayerCount() != 1 || gEngine->GetFirstLayer() != before))
    __builtin_trap();  // a failed load changed the layers
  return 0;
}
