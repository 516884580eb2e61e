#pragma once
// The few kinds of Variant the program passes around: Empty, a byte array, text, a number, a flag.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <variant>

namespace rt {

class Variant {
 public:
  Variant() = default;
  Variant(QByteArray bytes) : v_(std::move(bytes)) {}
  Variant(QString text) : v_(std::move(text)) {}
  Variant(int32_t n) : v_(n) {}
  Variant(double d) : v_(d) {}
  Variant(bool b) : v_(b) {}

  bool IsEmpty() const { return std::holds_alternative<std::monostate>(v_); }
  bool IsByteArray() const { return std::holds_alternative<QByteArray>(v_); }
  bool IsText() const { return std::holds_alternative<QString>(v_); }
  // The byte array, or an empty one for any other kind.
  QByteArray Bytes() const {
    const auto* b = std::get_if<QByteArray>(&v_);
    return b ? *b : QByteArray();
  }
  QString Text() const {
    const auto* t = std::get_if<QString>(&v_);
    return t ? *t : QString();
  }
  void Clear() { v_ = std::monostate{}; }
  bool operator==(const Variant& o) const { return v_ == o.v_; }

 private:
  std::variant<std::monostate, QByteArray, QString, int32_t, double, bool> v_;
};

}  // namespace rt
