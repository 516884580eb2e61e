#pragma once
// Small helpers over a SANE device's options, shared by the control and its worker thread.
#include <QString>
#include <QStringList>
#include <sane/sane.h>

namespace scan {

// The descriptor of a named option and its index in *index, or null.
const SANE_Option_Descriptor* findOption(SANE_Handle h, const char* name, int* index);
// Sets a length option given in inches; false when the device has no such settable option in
// millimetres.
bool setLength(SANE_Handle h, const char* name, double inches);
bool getLength(SANE_Handle h, const char* name, double* inches);
double resolutionOf(SANE_Handle h);
// The current source and the sources the device offers ("" and none when it has no choice).
QString currentSource(SANE_Handle h);
QStringList sourcesOf(SANE_Handle h);
bool setSource(SANE_Handle h, const QString& source);
// Whether a source name is a document feeder, which goes on delivering pages.
bool isFeeder(const QString& source);

}  // namespace scan
