#pragma once
// Joins the arrivals of a connection into whole text replies. The protocol has no framing: a reply
// is known by its keyword, so a reply split over several arrivals is held until it is complete, and
// two replies that arrive back to back are cut where the second keyword begins.
#include <QByteArray>
#include <optional>

namespace arch {

class ReplyAssembler {
 public:
  // Text replies are short; anything longer than this is handed on as it stands.
  static constexpr qsizetype kMaxReply = 64 * 1024;

  void feed(const QByteArray& bytes) { buffer_ += bytes; }
  // A reply that is complete without waiting: one followed by the start of another reply, or a
  // fixed reply that fills the buffer.
  std::optional<QByteArray> takeReady();
  // After the connection has been quiet for a moment: the buffer as one reply, unless it is still
  // the beginning of a reply or lacks a field that its keyword requires (then more must come).
  std::optional<QByteArray> takeQuiet();
  bool empty() const { return buffer_.isEmpty(); }
  void clear() { buffer_.clear(); }

 private:
  QByteArray take(qsizetype length);
  QByteArray buffer_;
};

// Whether text is only the start of a reply that is still arriving.
bool isIncompleteReply(const QByteArray& text);

}  // namespace arch
