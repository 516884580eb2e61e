// PDF files that hold scanned pages: every image object whose data is group 4 fax or JPEG is one
// page, in the order of the file. The page descriptions are not drawn; the objects are found by
// their "N G obj" headers, so a damaged cross-reference table does not matter.
#include "controls/imaging/byte_io.h"
#include "controls/imaging/codec.h"
#include "runtime/errors.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace img {

namespace {

[[noreturn]] void damaged(const char* why) { damagedFile("PDF", why); }

bool isSpace(uint8_t c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == 0; }
bool isDelimiter(uint8_t c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' || c == '/' ||
         c == '%';
}
bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

struct Entry;

// A value of an object: only what image dictionaries need is kept apart; everything else is Other.
struct Value {
  enum Kind { Other, Number, Real, Bool, Name, Ref, Dict, Array } kind = Other;
  int64_t number = 0;  // Number, Bool (0 or 1), or the object number of a Ref
  double real = 0;     // Number and Real
  std::string name;
  // A key and its value; a struct rather than a pair, which may not hold a type still being defined.
  std::vector<Entry> dict;
  std::vector<Value> array;

  const Value* get(std::string_view key) const;
};

struct Entry {
  std::string key;
  Value value;
};

const Value* Value::get(std::string_view key) const {
  for (const Entry& e : dict)
    if (e.key == key) return &e.value;
  return nullptr;
}

constexpr int kMaxNesting = 32;

class Lexer {
 public:
  Lexer(std::span<const uint8_t> d, std::size_t pos) : d_(d), p_(pos) {}
  std::size_t pos() const { return p_; }

  void skipSpace() {
    while (p_ < d_.size()) {
      if (isSpace(d_[p_])) ++p_;
      else if (d_[p_] == '%')
        while (p_ < d_.size() && d_[p_] != '\n' && d_[p_] != '\r') ++p_;
      else break;
    }
  }

  // A bare word or number (up to the next blank or delimiter).
  std::string_view word() {
    skipSpace();
    const std::size_t s = p_;
    while (p_ < d_.size() && !isSpace(d_[p_]) && !isDelimiter(d_[p_])) ++p_;
    return {reinterpret_cast<const char*>(d_.data() + s), p_ - s};
  }

  static std::optional<int64_t> integer(std::string_view w) {
    bool negative = false;
    if (!w.empty() && (w[0] == '+' || w[0] == '-')) {
      negative = w[0] == '-';
      w.remove_prefix(1);
    }
    if (w.empty() || w.size() > 12) return std::nullopt;
    int64_t v = 0;
    for (char c : w) {
      if (!isDigit(static_cast<uint8_t>(c))) return std::nullopt;
      v = v * 10 + (c - '0');
    }
    return negative ? -v : v;
  }

  Value value(int depth = 0) {
    if (depth > kMaxNesting) damaged("objects are nested too deeply");
    skipSpace();
    Value v;
    if (p_ >= d_.size()) damaged("an object is cut short");
    const uint8_t c = d_[p_];
    if (c == '<' && p_ + 1 < d_.size() && d_[p_ + 1] == '<') {
      p_ += 2;
      v.kind = Value::Dict;
      for (;;) {
        skipSpace();
        if (p_ + 1 < d_.size() && d_[p_] == '>' && d_[p_ + 1] == '>') {
          p_ += 2;
          return v;
        }
        if (p_ >= d_.size() || d_[p_] != '/') damaged("a dictionary key is not a name");
        ++p_;
        std::string key(word());
        v.dict.push_back(Entry{std::move(key), value(depth + 1)});
      }
    }
    if (c == '[') {
      ++p_;
      v.kind = Value::Array;
      for (;;) {
        skipSpace();
        if (p_ < d_.size() && d_[p_] == ']') {
          ++p_;
          return v;
        }
        v.array.push_back(value(depth + 1));
      }
    }
    if (c == '/') {
      ++p_;
      v.kind = Value::Name;
      v.name = std::string(word());
      return v;
    }
    if (c == '(') {
      skipString();
      return v;
    }
    if (c == '<') {
      while (p_ < d_.size() && d_[p_] != '>') ++p_;
      if (p_ >= d_.size()) damaged("a hex string is not closed");
      ++p_;
      return v;
    }
    if (c == ')' || c == '>' || c == ']' || c == '{' || c == '}') {
      ++p_;
      return v;
    }
    const std::string_view w = word();
    if (w == "true" || w == "false") {
      v.kind = Value::Bool;
      v.number = w == "true";
      return v;
    }
    const auto n = integer(w);
    if (!n) {
      double r = 0;
      const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), r);
      if (ec != std::errc() || end != w.data() + w.size()) return v;  // null or an unknown keyword
      v.kind = Value::Real;
      v.real = r;
      return v;
    }
    v.kind = Value::Number;
    v.number = *n;
    v.real = static_cast<double>(*n);
    // "N G R" is a reference to object N.
    const std::size_t save = p_;
    const auto g = integer(word());
    if (g && *n >= 0 && word() == "R") {
      v.kind = Value::Ref;
      return v;
    }
    p_ = save;
    return v;
  }

 private:
  void skipString() {
    int open = 0;
    while (p_ < d_.size()) {
      const uint8_t c = d_[p_++];
      if (c == '\\' && p_ < d_.size()) ++p_;
      else if (c == '(') ++open;
      else if (c == ')' && --open == 0) return;
    }
    damaged("a string is not closed");
  }

  std::span<const uint8_t> d_;
  std::size_t p_;
};

std::size_t find(std::span<const uint8_t> d, std::string_view s, std::size_t from) {
  if (from >= d.size()) return std::string_view::npos;
  const std::string_view all(reinterpret_cast<const char*>(d.data()), d.size());
  return all.find(s, from);
}

// Where each "N G obj" header ends, in file order, with its object number.
std::vector<std::pair<int64_t, std::size_t>> objectHeaders(std::span<const uint8_t> d) {
  std::vector<std::pair<int64_t, std::size_t>> out;
  for (std::size_t at = find(d, "obj", 0); at != std::string_view::npos; at = find(d, "obj", at + 3)) {
    const std::size_t end = at + 3;
    if (end < d.size() && !isSpace(d[end]) && !isDelimiter(d[end])) continue;
    // Backwards over blanks, the generation, blanks and the object number; each run is short in
    // a real header, and the bound keeps long runs of digits from being walked again and again.
    std::size_t p = at;
    auto back = [&](bool digits) {
      const std::size_t from = p;
      while (p > 0 && from - p < 16 && (digits ? isDigit(d[p - 1]) : isSpace(d[p - 1]))) --p;
      return p < from;
    };
    if (!back(false) || !back(true) || !back(false)) continue;
    const std::size_t numberEnd = p;
    if (!back(true) || numberEnd - p > 10) continue;
    if (p > 0 && !isSpace(d[p - 1]) && !isDelimiter(d[p - 1])) continue;
    int64_t n = 0;
    for (std::size_t i = p; i < numberEnd; ++i) n = n * 10 + (d[i] - '0');
    out.emplace_back(n, end);
  }
  return out;
}

struct Image {
  std::span<const uint8_t> data;
  bool fax = false;
  std::shared_ptr<const Value> dict;
};

std::optional<int64_t> resolvedLength(std::span<const uint8_t> d, const Value* v,
                                      const std::map<int64_t, std::size_t>& where) {
  if (!v) return std::nullopt;
  if (v->kind == Value::Number) return v->number;
  if (v->kind != Value::Ref) return std::nullopt;
  const auto it = where.find(v->number);
  if (it == where.end()) return std::nullopt;
  Lexer l(d, it->second);
  const auto n = Lexer::integer(l.word());
  return n;
}

// The name of the only filter (a name or an array of one name); empty when there are several.
std::string filterOf(const Value& dict) {
  const Value* f = dict.get("Filter");
  if (!f) return {};
  if (f->kind == Value::Name) return f->name;
  if (f->kind == Value::Array && f->array.size() == 1 && f->array[0].kind == Value::Name) return f->array[0].name;
  return {};
}

std::vector<Image> scan(std::span<const uint8_t> d) {
  if (find(d, "/Encrypt", 0) != std::string_view::npos)
    fail(kErrUnsupported, QStringLiteral("Reading encrypted PDF files is not supported"));
  const auto headers = objectHeaders(d);
  std::map<int64_t, std::size_t> where;
  for (const auto& [n, at] : headers) where[n] = at;  // a later definition replaces an earlier one
  std::vector<Image> images;
  std::size_t resume = 0;
  for (const auto& [n, at] : headers) {
    if (at < resume) continue;  // inside the data of a stream already passed
    Lexer l(d, at);
    l.skipSpace();
    if (at >= d.size() || l.pos() + 1 >= d.size() || d[l.pos()] != '<' || d[l.pos() + 1] != '<') continue;
    auto dict = std::make_shared<Value>();
    try {
      *dict = l.value();
    } catch (const rt::RuntimeError&) {
      // Not an object after all, or a damaged one that no image needs. The headers it swallowed
      // are not tried again: each byte is parsed once, whatever the file.
      resume = l.pos();
      continue;
    }
    resume = l.pos();
    if (l.word() != "stream") continue;
    // The data begins after the end of the line of "stream".
    std::size_t start = l.pos();
    if (start < d.size() && d[start] == '\r') ++start;
    if (start < d.size() && d[start] == '\n') ++start;
    std::size_t end = 0;
    const auto length = resolvedLength(d, dict->get("Length"), where);
    if (length && *length >= 0 && static_cast<uint64_t>(*length) <= d.size() - start) {
      end = start + static_cast<std::size_t>(*length);
    } else {
      end = find(d, "endstream", start);
      if (end == std::string_view::npos) damaged("a stream has no end");
    }
    resume = end;
    const Value* subtype = dict->get("Subtype");
    if (!subtype || subtype->kind != Value::Name || subtype->name != "Image") continue;
    const std::string filter = filterOf(*dict);
    if (filter != "CCITTFaxDecode" && filter != "DCTDecode") continue;
    Image img;
    img.data = d.subspan(start, end - start);
    img.fax = filter == "CCITTFaxDecode";
    img.dict = dict;
    images.push_back(std::move(img));
  }
  // A file that names a fax or JPEG image none of which could be read, or that is cut short before
  // its end marker, is damaged rather than of a kind not read here.
  if (images.empty() && (find(d, "/CCITTFaxDecode", 0) != std::string_view::npos ||
                         find(d, "/DCTDecode", 0) != std::string_view::npos || find(d, "%%EOF", 0) == std::string_view::npos))
    damaged("none of its images can be read");
  if (images.empty())
    fail(kErrUnsupported, QStringLiteral("Reading PDF files without a fax or JPEG image is not supported"));
  return images;
}

int64_t numberIn(const Value* dict, std::string_view key, int64_t otherwise) {
  const Value* v = dict ? dict->get(key) : nullptr;
  return v && v->kind == Value::Number ? v->number : otherwise;
}

bool trueIn(const Value* dict, std::string_view key) {
  const Value* v = dict ? dict->get(key) : nullptr;
  return v && v->kind == Value::Bool && v->number;
}

// A /Decode of [1 0] turns the samples' meaning round.
bool decodeInverted(const Value& dict) {
  const Value* v = dict.get("Decode");
  if (!v || v->kind != Value::Array || v->array.size() != 2) return false;
  const Value &a = v->array[0], &b = v->array[1];
  auto isNumber = [](const Value& x) { return x.kind == Value::Number || x.kind == Value::Real; };
  return isNumber(a) && isNumber(b) && a.real > b.real;
}

}  // namespace

int32_t pdfPageCount(std::span<const uint8_t> data) { return static_cast<int32_t>(scan(data).size()); }

Bitmap decodePdf(std::span<const uint8_t> data, int32_t page) {
  const std::vector<Image> images = scan(data);
  if (page < 1 || page > static_cast<int32_t>(images.size()))
    fail(kErrBadPage, QStringLiteral("PDF: page %1 does not exist (%2 pages)").arg(page).arg(images.size()));
  const Image& img = images[static_cast<std::size_t>(page - 1)];
  if (!img.fax) return decodeJpeg(img.data);
  const Value* parms = img.dict->get("DecodeParms");
  if (parms && parms->kind == Value::Array) parms = parms->array.size() == 1 ? &parms->array[0] : nullptr;
  if (parms && parms->kind != Value::Dict) parms = nullptr;
  if (numberIn(parms, "K", 0) >= 0)
    fail(kErrUnsupported, QStringLiteral("Reading PDF fax images other than group 4 is not supported"));
  const int64_t width = numberIn(parms, "Columns", numberIn(img.dict.get(), "Width", 0));
  int64_t height = numberIn(parms, "Rows", 0);
  if (height <= 0) height = numberIn(img.dict.get(), "Height", 0);
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension)
    damaged("an image has no usable size");
  // With BlackIs1 the samples of black are 1, which a grey image shows white: the page is the
  // fax page's negative, unless /Decode turns it round again.
  const bool negative = trueIn(parms, "BlackIs1") != decodeInverted(*img.dict);
  return decodeFaxG4(img.data, static_cast<uint32_t>(width), static_cast<uint32_t>(height), negative, 0, "PDF");
}

}  // namespace img
