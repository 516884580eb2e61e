// PDF files written here around group 4 data and JPEG files our writers made: each such image is a
// page in file order; other content is passed over, and what cannot be read says so.
#include "controls/imaging/codec.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"

#include <gtest/gtest.h>
#include <string>

using namespace img;
using imgtest::g4Strip;
using imgtest::pattern;
using imgtest::samePixels;
using imgtest::savedBytes;

namespace {

struct Object {
  std::string dict;  // "{LEN}" stands for the length of the stream data
  std::vector<uint8_t> stream;
  bool isStream = true;
};

std::vector<uint8_t> pdfFile(const std::vector<Object>& objects, const std::string& trailer = "<< /Root 1 0 R >>") {
  std::string s = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<uint8_t> out(s.begin(), s.end());
  auto text = [&](std::string t) { out.insert(out.end(), t.begin(), t.end()); };
  int n = 0;
  for (const Object& o : objects) {
    std::string dict = o.dict;
    if (const auto at = dict.find("{LEN}"); at != std::string::npos) dict.replace(at, 5, std::to_string(o.stream.size()));
    text(std::to_string(++n) + " 0 obj\n" + dict);
    if (o.isStream) {
      text("\nstream\r\n");
      out.insert(out.end(), o.stream.begin(), o.stream.end());
      text("\nendstream");
    }
    text("\nendobj\n");
  }
  text("trailer\n" + trailer + "\n%%EOF\n");
  return out;
}

Object plain(const std::string& dict) { return {dict, {}, false}; }

Bitmap faxPage() { return pattern(203, 61, 1); }

Object faxImage(const std::string& parms, const std::vector<uint8_t>& g4) {
  return {"<< /Type /XObject /Subtype /Image /Width 203 /Height 61 /ColorSpace /DeviceGray /BitsPerComponent 1 " + parms +
              " /Length {LEN} >>",
          g4};
}

std::vector<Object> document(std::vector<Object> images) {
  std::vector<Object> all = {plain("<< /Type /Catalog /Pages 2 0 R >>"), plain("<< /Type /Pages /Count 1 /Kids [3 0 R] >>"),
                             plain("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>")};
  all.insert(all.end(), images.begin(), images.end());
  return all;
}

Bitmap negativeOf(Bitmap b) {
  std::swap(b.palette()[0], b.palette()[1]);
  return b;
}

int errorOf(std::span<const uint8_t> data, int32_t page = 1) {
  try {
    (void)decodeMemory(data, page);
  } catch (const rt::RuntimeError& e) {
    EXPECT_FALSE(e.Description().isEmpty());
    return e.Number();
  }
  return 0;
}

const std::string kG4 = "/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 203 /Rows 61 >>";

}  // namespace

TEST(Pdf, ImagesArePagesInFileOrder) {
  const Bitmap fax = faxPage();
  const auto jpeg = savedBytes(imgtest::smoothPattern(40, 30), kFormatJpeg);
  const std::string contents = "q 203 0 0 61 0 0 cm /Im1 Do Q (7 0 obj << /Subtype /Image /Filter /DCTDecode >> stream\n";
  const auto pdf = pdfFile(document({
      {"<< /Length {LEN} >>", std::vector<uint8_t>(contents.begin(), contents.end())},
      {"<< /Subtype /Image /Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceGray /Filter /FlateDecode /Length {LEN} >>",
       {1, 2, 3}},
      {"<< /Subtype /Image /Width 40 /Height 30 /BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /DCTDecode /Length {LEN} >>",
       jpeg},
      faxImage(kG4, g4Strip(fax)),
  }));
  EXPECT_EQ(pageCountMemory(pdf), 2);
  const Decoded first = decodeMemory(pdf, 1);
  EXPECT_EQ(first.format, kFormatPdf);
  EXPECT_TRUE(samePixels(first.bitmap, decodeJpeg(jpeg)));
  const Decoded second = decodeMemory(pdf, 2);
  EXPECT_EQ(second.bitmap.bitsPerPixel(), 1);
  EXPECT_TRUE(samePixels(second.bitmap, fax));
  EXPECT_EQ(errorOf(pdf, 3), kErrBadPage);

  const FileInfo i = imgtest::fileInfoOf(pdf, QStringLiteral("scan.pdf"), 2);
  EXPECT_EQ(i.format, kFormatPdf);
  EXPECT_EQ(i.pages, 2);
  EXPECT_EQ(i.width, 203);
}

TEST(Pdf, FaxParametersAndLengths) {
  const Bitmap fax = faxPage();
  const auto g4 = g4Strip(fax);
  ASSERT_FALSE(g4.empty());
  struct Case {
    std::vector<Object> objects;
    bool negative;
    const char* what;
  };
  const std::vector<Case> cases = {
      {{faxImage(kG4, g4)}, false, "plain"},
      {{faxImage("/Filter [/CCITTFaxDecode] /DecodeParms [<< /K -1 /Columns 203 /BlackIs1 true >>]", g4)}, true,
       "arrays, rows from the height, black is 1"},
      {{faxImage("/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 203 /BlackIs1 true >> /Decode [1 0]", g4)}, false,
       "black is 1, decode turned round"},
      {{faxImage("/Filter /CCITTFaxDecode /DecodeParms << /K -1 >> /Decode [1.0 0.0]", g4)}, true,
       "columns from the width, real decode"},
      {{{"<< /Subtype /Image /Width 203 /Height 61 " + kG4 + " /Length 5 0 R >>", g4}, plain(std::to_string(g4.size()))},
       false, "length elsewhere"},
      {{{"<< /Subtype /Image /Width 203 /Height 61 " + kG4 + " /Length 99999999 >>", g4}}, false, "length past the end"},
      {{{"<< /Subtype /Image /Width 203 /Height 61 " + kG4 + " /Length 9 0 R >>", g4}}, false, "length object missing"},
  };
  for (const Case& c : cases) {
    const auto pdf = pdfFile(document(c.objects));
    try {
      EXPECT_TRUE(samePixels(decodeMemory(pdf, 1).bitmap, c.negative ? negativeOf(fax) : fax)) << c.what;
    } catch (const rt::RuntimeError& e) {
      ADD_FAILURE() << c.what << ": " << e.what();
    }
  }
}

TEST(Pdf, WhatCannotBeReadSaysSo) {
  const auto g4 = g4Strip(faxPage());
  std::string deep = "<< /Subtype /Image /A ";
  for (int i = 0; i < 200; ++i) deep += "<< /B ";
  struct Case {
    std::vector<uint8_t> pdf;
    int error;
    const char* what;
  };
  const std::vector<Case> cases = {
      {pdfFile({}), kErrUnsupported, "no objects"},
      {pdfFile(document({})), kErrUnsupported, "no images"},
      {pdfFile(document({faxImage("/Filter /CCITTFaxDecode /DecodeParms << /K 0 /Columns 203 >>", g4)})), kErrUnsupported,
       "group 3"},
      {pdfFile(document({faxImage(kG4, g4)}), "<< /Root 1 0 R /Encrypt 9 0 R >>"), kErrUnsupported, "encrypted"},
      {pdfFile(document({{"<< /Subtype /Image /Width 0 /Height 61 /Filter /CCITTFaxDecode /DecodeParms << /K -1 >> >>", g4}})),
       kErrDamaged, "no width"},
      {pdfFile(document({faxImage("/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 999999999 >>", g4)})), kErrDamaged,
       "absurd width"},
      {pdfFile(document({faxImage("/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 131072 /Rows 131072 >>", g4)})),
       kErrDamaged, "above the memory cap"},
      {pdfFile(document({plain(deep)})), kErrUnsupported, "nested too deeply"},
  };
  for (const Case& c : cases) EXPECT_EQ(errorOf(c.pdf), c.error) << c.what;

  // An image stream that never ends, and every cut of a good file: an error or the page, nothing more.
  const auto open = pdfFile(document({faxImage(kG4, g4)}));
  EXPECT_EQ(errorOf(std::span(open).first(open.size() - 60)), kErrDamaged) << "cut in the data";
  for (std::size_t n = 0; n < open.size(); n += 11) {
    try {
      const Decoded d = decodeMemory(std::span(open).first(n), 1);
      EXPECT_EQ(d.bitmap.width(), 203) << n;
    } catch (const rt::RuntimeError&) {
    }
  }
}
