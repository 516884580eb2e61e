#pragma once
// The edit buffer of a text element being edited in place: UTF-16 characters, a caret and the
// insert / overwrite mode. Room grows in steps of 65536 characters; a buffer that cannot grow is
// emptied, and every operation on an empty-capacity buffer does nothing.
#include <cstdint>
#include <string>

class AnnTextBuffer {
 public:
  static constexpr int32_t kStep = 65536;

  AnnTextBuffer();

  const std::u16string& Text() const { return text_; }
  int32_t Length() const { return int32_t(text_.size()); }
  int32_t Capacity() const { return capacity_; }
  int32_t Caret() const { return caret_; }

  // Appended at the end; else inserted at the caret (insert mode) or written over the character
  // at the caret (overwrite mode). The caret moves past it.
  void Type(char16_t c);
  // Appends a block; the caret goes to the end.
  void Append(const std::u16string& block);
  // Inserts a block at an index (nothing past the end); the caret stays.
  void Insert(int32_t index, const std::u16string& block);
  // Deletes count characters at index (nothing when they run past the end).
  void Delete(int32_t index, int32_t count);
  void DeleteAtCaret();
  void DeleteBeforeCaret();
  // Refused past the end.
  bool SetCaret(int32_t index);
  void CaretLeft();
  void CaretRight();
  void ToggleInsert() { insert_ = !insert_; }
  void Assign(const std::u16string& text);
  void Clear();

 private:
  bool Reserve(size_t length);

  std::u16string text_;
  int32_t capacity_ = 0;
  int32_t caret_ = 0;
  bool insert_ = true;
};
