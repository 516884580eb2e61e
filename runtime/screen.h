#pragma once
// The screen and app objects.
#include <QString>

namespace rt {

constexpr int vbDefault = 0;
constexpr int vbArrow = 1;
constexpr int vbHourglass = 11;

class Screen {
 public:
  // 1440 divided by the screen's logical dots per inch: 15 at 96 dpi.
  static double TwipsPerPixelX();
  static double TwipsPerPixelY();
  // Twips to whole pixels (rounded), and pixels to twips: every twips geometry converts through these.
  static int ToPixelsX(double twips);
  static int ToPixelsY(double twips);
  static double ToTwipsX(double pixels);
  static double ToTwipsY(double pixels);
  // Screen size in twips.
  static double Width();
  static double Height();
  // vbDefault or vbHourglass (the busy pointer over the whole program).
  static int MousePointer();
  static void setMousePointer(int pointer);
};

// Shows the busy pointer for its lifetime and restores the default, also when an error ends the work.
class BusyPointer {
 public:
  BusyPointer() { Screen::setMousePointer(vbHourglass); }
  ~BusyPointer() { Screen::setMousePointer(vbDefault); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
};

class App {
 public:
  // Folder of the executable: read-only resources.
  static QString Path();
  static QString EXEName();
  // The title the program's windows carry ("   Image Lumivex").
  static QString Title();
  // The user's working folder of the program, created on first use: working files such as the
  // retrieved archive document and temporary multi-page saves live here.
  static QString WorkingFolder();
  // Tests redirect the working folder.
  static void setWorkingFolder(const QString& folder);
  // A read-only resource beside the executable, else in the installed data folder; "" when neither.
  static QString Resource(const QString& fileName);
};

}  // namespace rt
