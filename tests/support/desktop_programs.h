#pragma once
// The desktop's programs as a test wants them: while it lives, PATH holds only a folder of the
// test's own (where a stand-in xdg-open may be put) and no browser is named in the environment;
// the environment is as it was again once it goes, however the test ends.
#include <QByteArray>
#include <QDir>
#include <QString>
#include <utility>
#include <vector>

namespace testsupport {

class OnlyTheseDesktopPrograms {
 public:
  explicit OnlyTheseDesktopPrograms(const QString& folder) {
    for (const char* name : {"PATH", "BROWSER", "DEFAULT_BROWSER"}) saved_.emplace_back(name, qgetenv(name));
    QDir().mkpath(folder);
    qputenv("PATH", folder.toLocal8Bit());
    qunsetenv("BROWSER");
    qunsetenv("DEFAULT_BROWSER");
  }
  ~OnlyTheseDesktopPrograms() {
    for (const auto& [name, value] : saved_) {
      if (value.isNull()) qunsetenv(name);
      else qputenv(name, value);
    }
  }
  OnlyTheseDesktopPrograms(const OnlyTheseDesktopPrograms&) = delete;
  OnlyTheseDesktopPrograms& operator=(const OnlyTheseDesktopPrograms&) = delete;

 private:
  std::vector<std::pair<const char*, QByteArray>> saved_;
};

}  // namespace testsupport
