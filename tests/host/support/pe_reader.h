// A small reader for 32- and 64-bit PE files: headers, sections, the resource
// tree and the import table. Tests use it to look at the built program.
//
// Every read is bounds-checked: a truncated or malformed file makes parse()
// return false with a reason, never read outside the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pe {

// Little-endian cursor over a block of bytes. A read past the end sets a
// sticky failure and yields zero, so a parser can read a whole structure and
// check ok() once.
class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit ByteReader(const std::vector<uint8_t>& bytes) : ByteReader(bytes.data(), bytes.size()) {}

  bool ok() const { return ok_; }
  void fail() { ok_ = false; }
  size_t pos() const { return pos_; }
  size_t size() const { return size_; }
  size_t remaining() const { return pos_ <= size_ ? size_ - pos_ : 0; }

  // Positions past the end are allowed to be set but fail the next read.
  void seek(size_t pos);
  void skip(size_t count);
  // Moves up to the next multiple of `alignment` counted from the block start.
  void align(size_t alignment);

  uint8_t u8();
  uint16_t u16();
  uint32_t u32();
  uint64_t u64();
  int16_t i16() { return static_cast<int16_t>(u16()); }

  // UTF-16 string up to and including its terminating zero (which is dropped).
  std::u16string wstr();
  // UTF-16 string of a given length in code units, no terminator.
  std::u16string wstr(size_t units);
  // Byte string up to and including its terminating zero.
  std::string cstr();
  std::vector<uint8_t> bytes(size_t count);

 private:
  bool take(size_t count, const uint8_t** at);

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t pos_ = 0;
  bool ok_ = true;
};

struct Section {
  std::string name;
  uint32_t virtualAddress = 0;
  uint32_t virtualSize = 0;
  uint32_t rawOffset = 0;
  uint32_t rawSize = 0;
  uint32_t characteristics = 0;
};

// A resource type or name: either a number or a string.
struct ResourceName {
  bool isString = false;
  uint32_t id = 0;
  std::u16string text;
};

struct Resource {
  ResourceName type;
  ResourceName name;
  uint32_t language = 0;
  uint32_t codePage = 0;
  std::vector<uint8_t> data;
};

struct ImportedDll {
  std::string name;
  std::vector<std::string> functions;  // imported by name
  std::vector<uint32_t> ordinals;      // imported by ordinal only
};

// Directory indexes in the optional header.
constexpr size_t kDirImport = 1;
constexpr size_t kDirResource = 2;

// Standard resource types.
constexpr uint32_t kRtIcon = 3;
constexpr uint32_t kRtDialog = 5;
constexpr uint32_t kRtGroupIcon = 14;
constexpr uint32_t kRtVersion = 16;

struct Image {
  uint16_t machine = 0;
  uint16_t characteristics = 0;
  uint16_t magic = 0;  // 0x10B PE32, 0x20B PE32+
  uint64_t imageBase = 0;
  uint16_t majorSubsystemVersion = 0;
  uint16_t minorSubsystemVersion = 0;
  uint16_t subsystem = 0;
  uint32_t sizeOfHeaders = 0;

  std::vector<Section> sections;
  std::vector<Resource> resources;  // in directory order
  std::vector<ImportedDll> imports;

  // Every language of the resource with a numeric type and id.
  std::vector<const Resource*> find(uint32_t type, uint32_t id) const;
  // One language of it, or null.
  const Resource* find(uint32_t type, uint32_t id, uint32_t language) const;
  // The import entry of a DLL, matched case-insensitively, or null.
  const ImportedDll* findImport(const std::string& dll) const;
};

// Parses a whole file held in memory. On failure `error` says what was wrong.
bool parse(const std::vector<uint8_t>& file, Image& image, std::string& error);
bool load(const std::string& path, Image& image, std::string& error);

// For messages: UTF-16 to UTF-8, anything outside ASCII written as \uXXXX.
std::string narrow(const std::u16string& text);

}  // namespace pe
