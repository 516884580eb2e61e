// Writes small valid files of every format into <dir>/<target>/ as starting points for the fuzzers.
#include "controls/imaging/codec.h"

#include <QFile>
#include <cstdio>
#include <cstring>
#include <tiffio.h>
#include <filesystem>
#include <fstream>
#include <string>

using namespace img;

namespace {
Bitmap pattern(int w, int h, int bpp) {
  Bitmap b(w, h, bpp);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.setIndex(x, y, bpp == 24 ? qRgb(x * 20, y * 30, (x + y) * 10) : static_cast<uint32_t>((x + y * 3) % (1 << bpp)));
  return b;
}
void put(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
std::vector<uint8_t> fileBytes(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray a = f.readAll();
  return {a.begin(), a.end()};
}

// The one strip of a group 4 TIFF page: the data a CALS file or a PDF fax image carries.
std::vector<uint8_t> g4Strip(const Bitmap& b, const std::string& scratch) {
  SaveOptions o;
  o.format = kFormatTiffG4;
  writeFile(QString::fromStdString(scratch), b, o);
  std::vector<uint8_t> out;
  if (TIFF* t = TIFFOpen(scratch.c_str(), "r")) {
    if (TIFFNumberOfStrips(t) == 1) {
      out.resize(static_cast<std::size_t>(TIFFRawStripSize(t, 0)));
      if (TIFFReadRawStrip(t, 0, out.data(), static_cast<tmsize_t>(out.size())) < 0) out.clear();
    }
    TIFFClose(t);
  }
  return out;
}

void appendText(std::vector<uint8_t>& v, const std::string& s) { v.insert(v.end(), s.begin(), s.end()); }

void putDocumentSeeds(const std::string& root) {
  const std::string scratch = root + "/scratch.tif";
  const Bitmap bw = pattern(40, 30, 1);
  const std::vector<uint8_t> strip = g4Strip(bw, scratch);

  // CALS: 2048 bytes of 128-byte text records, then the group 4 data.
  std::vector<uint8_t> cals(2048, ' ');
  const char* records[] = {"srcdocid: seed", "rtype: 1", "rorient: 000,270", "rpelcnt: 000040,000030", "rdensty: 0300"};
  for (int i = 0; i < 5; ++i) std::memcpy(cals.data() + i * 128, records[i], std::strlen(records[i]));
  cals.insert(cals.end(), strip.begin(), strip.end());
  put(root + "/cals", "g4", cals);

  // EPS: the binary header pointing at a PostScript section and a TIFF preview.
  SaveOptions o;
  o.format = kFormatTiff;
  writeFile(QString::fromStdString(scratch), pattern(9, 7, 8), o);
  const std::vector<uint8_t> tiff = fileBytes(scratch);
  const std::string ps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 9 7\n";
  std::vector<uint8_t> eps = {0xC5, 0xD0, 0xD3, 0xC6};
  auto u32 = [&eps](uint32_t v) { for (int i = 0; i < 4; ++i) eps.push_back(static_cast<uint8_t>(v >> (8 * i))); };
  u32(30);
  u32(static_cast<uint32_t>(ps.size()));
  u32(0);
  u32(0);
  u32(static_cast<uint32_t>(30 + ps.size()));
  u32(static_cast<uint32_t>(tiff.size()));
  eps.push_back(0xFF);
  eps.push_back(0xFF);
  appendText(eps, ps);
  eps.insert(eps.end(), tiff.begin(), tiff.end());
  put(root + "/eps", "tiff", eps);

  // TIFF: one page per compression and depth worth reaching, and a two-page file.
  struct Kind { int16_t format; int bpp; const char* name; };
  const Kind kinds[] = {{kFormatTiff, 24, "none24"}, {kFormatTiffLzw, 8, "lzw8"}, {kFormatTiffPackBits, 4, "packbits4"},
                        {kFormatTiffG4, 1, "g4"}, {kFormatTiffG3, 1, "g3"}, {kFormatTiffDeflate, 24, "deflate24"},
                        {kFormatTiffJpeg, 24, "jpeg24"}};
  for (const Kind& k : kinds) {
    SaveOptions t;
    t.format = k.format;
    writeFile(QString::fromStdString(scratch), pattern(19, 11, k.bpp), t);
    put(root + "/tiff", k.name, fileBytes(scratch));
    std::remove(scratch.c_str());
  }
  SaveOptions two;
  two.format = kFormatTiffLzw;
  writeFile(QString::fromStdString(scratch), pattern(7, 5, 8), two);
  two.multiPage = true;
  writeFile(QString::fromStdString(scratch), pattern(9, 3, 24), two);
  put(root + "/tiff", "two-pages", fileBytes(scratch));

  // PDF: one fax image and one JPEG image.
  const std::vector<uint8_t> jpeg = encodeJpeg(pattern(8, 8, 24), SaveOptions{});
  std::vector<uint8_t> pdf;
  appendText(pdf, "%PDF-1.4\n1 0 obj\n<< /Type /XObject /Subtype /Image /Width 40 /Height 30 /BitsPerComponent 1 "
                  "/ColorSpace /DeviceGray /Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 40 /Rows 30 >> /Length " +
                      std::to_string(strip.size()) + " >>\nstream\n");
  pdf.insert(pdf.end(), strip.begin(), strip.end());
  appendText(pdf, "\nendstream\nendobj\n2 0 obj\n<< /Type /XObject /Subtype /Image /Width 8 /Height 8 "
                  "/BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /DCTDecode /Length " +
                      std::to_string(jpeg.size()) + " >>\nstream\n");
  pdf.insert(pdf.end(), jpeg.begin(), jpeg.end());
  appendText(pdf, "\nendstream\nendobj\ntrailer\n<< >>\n%%EOF\n");
  put(root + "/pdf", "two-images", pdf);
  std::remove(scratch.c_str());
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string root = argv[1];
  for (int bpp : {1, 4, 8, 24}) {
    const std::string n = std::to_string(bpp);
    const Bitmap b = pattern(13, 6, bpp);
    const auto bmp = encodeBmp(b);
    put(root + "/bmp", n, bmp);
    put(root + "/dib", n, std::vector<uint8_t>(bmp.begin() + 14, bmp.end()));
    put(root + "/pcx", n, encodePcx(b));
    put(root + "/tga", n, encodeTga(b, false));
    put(root + "/tga", n + "rle", encodeTga(b, true));
    put(root + "/dcx", n, encodeDcx({encodePcx(b), encodePcx(pattern(5, 3, 8))}));
    for (int16_t k : {kFormatPbm, kFormatPgm, kFormatPpm}) {
      put(root + "/pnm", n + "_" + std::to_string(k), encodePnm(b, k, false));
      put(root + "/pnm", n + "_" + std::to_string(k) + "a", encodePnm(b, k, true));
    }
    // An icon entry: the DIB with doubled height and a mask.
    std::vector<uint8_t> dib = toPackedDib(b);
    const uint32_t h2 = 12;
    for (int i = 0; i < 4; ++i) dib[8 + i] = static_cast<uint8_t>(h2 >> (8 * i));
    for (int y = 0; y < 6; ++y) dib.insert(dib.end(), {0x10, 0, 0, 0});
    std::vector<uint8_t> ico = {0, 0, 1, 0, 1, 0, 13, 6, 0, 0, 1, 0, static_cast<uint8_t>(bpp), 0,
                                static_cast<uint8_t>(dib.size()), static_cast<uint8_t>(dib.size() >> 8), 0, 0, 22, 0, 0, 0};
    ico.insert(ico.end(), dib.begin(), dib.end());
    put(root + "/ico", n, ico);
  }
  putDocumentSeeds(root);
  return 0;
}
