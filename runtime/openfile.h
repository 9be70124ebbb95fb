// Open files and in-memory files, reached through a file number, and the data format in which
// WriteData and ReadData keep values (the request blocks of the HTTP module live in memory files).
//
// Data format, value by value, no padding, little-endian:
//   text         its bytes, then one zero byte
//   byte string  4-byte length, then the bytes
//   uint8_t 1, int16_t 2, int32_t 4, int64_t 8, float 4, double 8, bool 4 (0 or 1), DateTime 8
//   array        (std::vector<T> of one of the above, T not uint8_t) its elements one after
//                another, no count; ReadData reads as many as the receiving vector already holds
// A ByteString is always a byte string, never an array of bytes.
//
// A file number is used by one thread at a time (the table of numbers itself is thread-safe).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "runtime/convert.h"
#include "runtime/values.h"

namespace tarnvel {

// 0 is never a valid file number.
using FileNumber = int;

// Modes: 1 read; 2 write; 3 read and write; 4 create or truncate, then write; 5 write, creating
// a missing file and keeping an existing one's contents; 6 read and write, creating a missing
// file. Share: 1 others may read and write; 2 others may not read; 3 others may not write;
// 4 exclusive. 0 on failure, for an empty path, or for a mode or share out of range.
// The position starts at the beginning.
FileNumber FileOpen(const std::string& path, int mode = 3, int share = 1);
// An empty, growable file in memory.
FileNumber FileOpenMemory();

bool SeekStart(FileNumber file);
bool SeekEnd(FileNumber file);
// Current length; -1 for an unknown file number.
std::int64_t FileLength(FileNumber file);
// The read/write position; -1 for an unknown file number.
std::int64_t FilePosition(FileNumber file);
// At or beyond the end; with stopAtTerminator also when the next byte is 0 or 0x1A.
bool AtEndOfFile(FileNumber file, bool stopAtTerminator = false);

// Reads up to the next line feed, zero byte or 0x1A. A line feed is consumed, a zero byte or
// 0x1A stays unread; a carriage return just before the end of the line is dropped.
std::string ReadLine(FileNumber file);
// Up to n bytes from the position; n <= 0 gives an empty byte string.
ByteString ReadBytes(FileNumber file, std::int64_t n);

// Writes the bytes of a text as they are.
bool WriteRawText(FileNumber file, std::string_view text);
// Writes each value turned into text as ToText does, one after another, with no terminator or
// line end.
template <class... Ts>
bool WriteText(FileNumber file, const Ts&... values) {
  std::string text;
  ((text += ToText(values)), ...);
  return WriteRawText(file, text);
}
bool WriteBytes(FileNumber file, std::initializer_list<std::span<const std::uint8_t>> parts);

// Removes n bytes at the position, moving the rest of the file down and shortening it; the
// position stays. n beyond the end removes up to the end.
bool DeleteData(FileNumber file, std::int64_t n);
void CloseFile(FileNumber file);

// ---- The data format ----

namespace data_format {

template <class T>
inline constexpr bool kIsScalar =
    std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int16_t> || std::is_same_v<T, std::int32_t> ||
    std::is_same_v<T, std::int64_t> || std::is_same_v<T, float> || std::is_same_v<T, double> ||
    std::is_same_v<T, DateTime>;

void Append(ByteString& out, std::string_view text);  // a text
inline void Append(ByteString& out, const char* text) { Append(out, std::string_view(text)); }
inline void Append(ByteString& out, const std::string& text) { Append(out, std::string_view(text)); }
void Append(ByteString& out, const ByteString& bytes);  // a byte string
void Append(ByteString& out, bool logical);
void AppendRaw(ByteString& out, const void* data, std::size_t n);

template <class T>
requires kIsScalar<T>
void Append(ByteString& out, const T& value) {
  AppendRaw(out, &value, sizeof value);  // every target of the program is little-endian
}

template <class T>
requires(!std::is_same_v<T, std::uint8_t>) void Append(ByteString& out, const std::vector<T>& array) {
  for (const T& element : array) Append(out, element);
}

// Reads from a file at its position; each Read returns false when the file ends too early.
class Reader {
 public:
  explicit Reader(FileNumber file) : file_(file) {}
  bool Read(std::string& text);
  bool Read(ByteString& bytes);
  bool Read(bool& logical);
  bool ReadRaw(void* data, std::size_t n);

  template <class T>
  requires kIsScalar<T>
  bool Read(T& value) { return ReadRaw(&value, sizeof value); }

  template <class T>
  requires(!std::is_same_v<T, std::uint8_t>) bool Read(std::vector<T>& array) {
    for (T& element : array) {
      if (!Read(element)) return false;
    }
    return true;
  }

 private:
  FileNumber file_;
};

// Writes encoded bytes at the position; on failure the position goes back to `start`.
bool WriteEncoded(FileNumber file, const ByteString& encoded);
bool RestorePosition(FileNumber file, std::int64_t start);

}  // namespace data_format

// Writes each value in the data format. False, with the position back where it was, when the
// file is unknown or a write fails part-way.
template <class... Ts>
bool WriteData(FileNumber file, const Ts&... values) {
  ByteString encoded;
  (data_format::Append(encoded, values), ...);
  return data_format::WriteEncoded(file, encoded);
}

// Reads values of the variables' kinds in the data format. A text runs to the next zero byte
// (the end of the file ends it too, once a byte was read); a byte string reads its length, then
// exactly that many bytes. On any shortfall the position goes back where it was and the result
// is false; the variables may then hold partly read values.
template <class... Ts>
bool ReadData(FileNumber file, Ts&... variables) {
  const std::int64_t start = FilePosition(file);
  if (start < 0) return false;
  data_format::Reader reader(file);
  if ((reader.Read(variables) && ...)) return true;
  data_format::RestorePosition(file, start);
  return false;
}

}  // namespace tarnvel
