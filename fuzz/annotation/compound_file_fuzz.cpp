// libFuzzer target: arbitrary bytes read as a compound file of annotations by a fresh engine that
// already has a layer. A failed load answers with a result code and leaves the layers as they were;
// what a load brought in saves, reads back with result 0 and saves to the same bytes.
#include <QDir>
#include <QFile>

#include <unistd.h>

#include "fuzz/annotation/fuzz_engine.h"

namespace {

QString gPath;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static char name[] = "compound_file_fuzz";
  annStartFuzzApplication(name);
  gPath = QDir::temp().filePath(QStringLiteral("compound_file_fuzz.%1.ann").arg(getpid()));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    QFile f(gPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), qint64(size));
  }
  AnnEngine* engine = annNewFuzzEngine();
  AnnLayerHandle before = engine->CreateLayer(1);
  std::u16string path = gPath.toStdU16String();
  plat::BSTR name = plat::SysAllocFromU16(path);
  int32_t r = engine->LoadFile(name);
  plat::SysFreeString(name);
  if (r != ANN_OK && (engine->GetLayerCount() != 1 || engine->GetFirstLayer() != before))
    __builtin_trap();  // a failed load changed the layers
  // What a file brought in saves, reads back and saves to the same bytes.
  if (r == ANN_OK) annCheckRoundTrip(engine);
  delete engine;
  return 0;
}
