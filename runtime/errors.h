#pragma once
// A run-time error: what the program's error handlers catch and show. The number keeps the
// runtime's numbering (6 overflow, 13 type mismatch, 53 file not found, 32755 cancelled dialog ...).
#include <QString>
#include <exception>
#include <string>

namespace rt {

class RuntimeError : public std::exception {
 public:
  RuntimeError(int number, QString description, QString source = QString())
      : number_(number), description_(std::move(description)), source_(std::move(source)),
        what_(description_.toStdString()) {}
  int Number() const { return number_; }
  const QString& Description() const { return description_; }
  const QString& Source() const { return source_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  int number_;
  QString description_;
  QString source_;
  std::string what_;
};

constexpr int kErrOverflow = 6;
constexpr int kErrTypeMismatch = 13;
constexpr int kErrFileNotFound = 53;
constexpr int kErrFileExists = 58;
constexpr int kErrPermissionDenied = 70;
constexpr int kErrPathNotFound = 76;
constexpr int kErrDeviceIO = 57;
constexpr int kErrCancel = 32755;

[[noreturn]] void Raise(int number, const QString& source = QString(), const QString& description = QString());
// The runtime's own text for a number ("Overflow", "File not found", ...).
QString ErrorText(int number);

}  // namespace rt
