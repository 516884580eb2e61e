#pragma once
// Lines of stored text as editors on every system write them: a line ends with CR LF, LF or a lone
// CR, and a leading UTF-8 byte-order mark is no part of the first line.
#include <QByteArrayView>
#include <vector>

namespace plat {

// The text without a leading UTF-8 byte-order mark.
QByteArrayView withoutByteOrderMark(QByteArrayView bytes);

// The lines of the bytes, without their ends. A last line without an end counts; the end of the
// last line does not start another one, so "a\r\n" is one line and "" none.
std::vector<QByteArrayView> splitLines(QByteArrayView bytes);

}  // namespace plat
