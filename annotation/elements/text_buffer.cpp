#include "annotation/elements/text_buffer.h"

#include <new>

AnnTextBuffer::AnnTextBuffer() { Reserve(0); }

bool AnnTextBuffer::Reserve(size_t length) {
  if (length < size_t(capacity_)) return true;
  const size_t wanted = (length / kStep + 1) * size_t(kStep);
  try {
    if (wanted > size_t(INT32_MAX)) throw std::bad_alloc();
    text_.reserve(wanted);
    capacity_ = int32_t(wanted);
    return true;
  } catch (const std::bad_alloc&) {
    text_.clear();
    capacity_ = 0;
    caret_ = 0;
    return false;
  }
}

void AnnTextBuffer::Type(char16_t c) {
  if (capacity_ == 0 || !Reserve(text_.size() + 1)) return;
  if (caret_ >= Length()) text_.push_back(c);
  else if (insert_) text_.insert(size_t(caret_), 1, c);
  else text_[size_t(caret_)] = c;
  ++caret_;
}

void AnnTextBuffer::Append(const std::u16string& block) {
  if (capacity_ == 0 || !Reserve(text_.size() + block.size())) return;
  text_ += block;
  caret_ = Length();
}

void AnnTextBuffer::Insert(int32_t index, const std::u16string& block) {
  if (capacity_ == 0 || index < 0 || index > Length() || !Reserve(text_.size() + block.size())) return;
  text_.insert(size_t(index), block);
}

void AnnTextBuffer::Delete(int32_t index, int32_t count) {
  if (capacity_ == 0 || index < 0 || count < 0 || int64_t(index) + count > Length()) return;
  text_.erase(size_t(index), size_t(count));
  if (caret_ > Length()) caret_ = Length();
}

void AnnTextBuffer::DeleteAtCaret() {
  if (caret_ < Length()) Delete(caret_, 1);
}

void AnnTextBuffer::DeleteBeforeCaret() {
  if (caret_ <= 0) return;
  --caret_;
  Delete(caret_, 1);
}

bool AnnTextBuffer::SetCaret(int32_t index) {
  if (index < 0 || index > Length()) return false;
  caret_ = index;
  return true;
}

void AnnTextBuffer::CaretLeft() {
  if (caret_ > 0) --caret_;
}

void AnnTextBuffer::CaretRight() {
  if (caret_ < Length()) ++caret_;
}

void AnnTextBuffer::Assign(const std::u16string& text) {
  text_.clear();
  caret_ = 0;
  if (!Reserve(text.size())) return;
  text_ = text;
}

void AnnTextBuffer::Clear() {
  text_.clear();
  caret_ = 0;
}
