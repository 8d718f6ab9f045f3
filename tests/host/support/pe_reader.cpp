#include "support/pe_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace pe {

// ---------------------------------------------------------------- ByteReader

bool ByteReader::take(size_t count, const uint8_t** at) {
  if (!ok_ || pos_ > size_ || count > size_ - pos_) {
    ok_ = false;
    return false;
  }
  *at = data_ + pos_;
  pos_ += count;
  return true;
}

void ByteReader::seek(size_t pos) { pos_ = pos; }

void ByteReader::skip(size_t count) {
  if (count > SIZE_MAX - pos_) {
    ok_ = false;
    return;
  }
  pos_ += count;
}

void ByteReader::align(size_t alignment) {
  size_t extra = pos_ % alignment;
  if (extra != 0) skip(alignment - extra);
}

uint8_t ByteReader::u8() {
  const uint8_t* p;
  return take(1, &p) ? p[0] : 0;
}

uint16_t ByteReader::u16() {
  const uint8_t* p;
  return take(2, &p) ? static_cast<uint16_t>(p[0] | p[1] << 8) : 0;
}

uint32_t ByteReader::u32() {
  const uint8_t* p;
  if (!take(4, &p)) return 0;
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint64_t ByteReader::u64() {
  uint64_t low = u32();
  uint64_t high = u32();
  return low | high << 32;
}

std::u16string ByteReader::wstr() {
  std::u16string text;
  while (ok_) {
    char16_t unit = u16();
    if (!ok_ || unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

std::u16string ByteReader::wstr(size_t units) {
  std::u16string text;
  if (units > remaining() / 2) {
    ok_ = false;
    return text;
  }
  for (size_t i = 0; i < units; ++i) text.push_back(u16());
  return text;
}

std::string ByteReader::cstr() {
  std::string text;
  while (ok_) {
    char c = static_cast<char>(u8());
    if (!ok_ || c == 0) break;
    text.push_back(c);
  }
  return text;
}

std::vector<uint8_t> ByteReader::bytes(size_t count) {
  const uint8_t* p;
  if (!take(count, &p)) return {};
  return std::vector<uint8_t>(p, p + count);
}

// ------------------------------------------------------------------- helpers

namespace {

// Caps that keep a hostile file from making us loop for ever; far above
// anything a real program holds.
constexpr size_t kMaxResources = 65536;
constexpr size_t kMaxImportedDlls = 4096;
constexpr size_t kMaxImportsPerDll = 65536;
constexpr size_t kMaxResourceEntries = 1 << 20;

std::string hex(uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
  return buffer;
}

class Parser {
 public:
  Parser(const std::vector<uint8_t>& file, Image& image, std::string& error)
      : file_(file), image_(image), error_(error) {}

  bool run() {
    return headers() && resourcesFromDirectory() && importsFromDirectory();
  }

 private:
  bool fail(const std::string& why) {
    error_ = why;
    return false;
  }

  // A reader over the bytes from `rva` to the end of the section holding it,
  // so data reached by offsets from there stays inside the file.
  bool atRva(uint32_t rva, ByteReader& reader) {
    if (rva < image_.sizeOfHeaders) {
      size_t end = std::min<size_t>(image_.sizeOfHeaders, file_.size());
      if (rva >= end) return false;
      reader = ByteReader(file_.data() + rva, end - rva);
      return true;
    }
    for (const Section& s : image_.sections) {
      uint32_t span = std::max(s.virtualSize, s.rawSize);
      if (rva < s.virtualAddress || rva - s.virtualAddress >= span) continue;
      uint32_t delta = rva - s.virtualAddress;
      // Past the raw data the loader fills zeros; nothing we parse lives there.
      if (delta >= s.rawSize) return false;
      reader = ByteReader(file_.data() + s.rawOffset + delta, s.rawSize - delta);
      return true;
    }
    return false;
  }

  bool headers() {
    ByteReader r(file_);
    if (r.u16() != 0x5A4D || !r.ok()) return fail("no MZ signature");
    r.seek(0x3C);
    uint32_t peOffset = r.u32();
    if (!r.ok()) return fail("file too short for a DOS header");
    r.seek(peOffset);
    if (r.u32() != 0x00004550 || !r.ok()) return fail("no PE signature at " + hex(peOffset));

    image_.machine = r.u16();
    uint16_t sectionCount = r.u16();
    r.skip(12);  // time stamp, symbol table pointer and count
    uint16_t optionalSize = r.u16();
    image_.characteristics = r.u16();
    if (!r.ok()) return fail("truncated COFF header");

    size_t optional = r.pos();
    image_.magic = r.u16();
    bool plus = image_.magic == 0x20B;
    if (image_.magic != 0x10B && !plus) return fail("unknown optional header magic " + hex(image_.magic));
    // The fields up to the subsystem are at the same place in both formats,
    // except the image base.
    r.seek(optional + (plus ? 24 : 28));
    image_.imageBase = plus ? r.u64() : r.u32();
    r.seek(optional + 48);
    image_.majorSubsystemVersion = r.u16();
    image_.minorSubsystemVersion = r.u16();
    r.seek(optional + 60);
    image_.sizeOfHeaders = r.u32();
    r.seek(optional + 68);
    image_.subsystem = r.u16();
    size_t directories = optional + (plus ? 112 : 96);
    r.seek(directories - 4);
    uint32_t directoryCount = r.u32();
    if (!r.ok()) return fail("truncated optional header");
    if (directoryCount > 16) return fail("implausible data directory count " + hex(directoryCount));
    if (directories + directoryCount * 8 > optional + optionalSize)
      return fail("data directories run past the optional header");

    for (uint32_t i = 0; i < directoryCount; ++i) {
      uint32_t rva = r.u32();
      uint32_t size = r.u32();
      if (i < 16) directory_[i] = {rva, size};
    }

    r.seek(optional + optionalSize);
    for (uint16_t i = 0; i < sectionCount; ++i) {
      Section s;
      std::vector<uint8_t> name = r.bytes(8);
      s.name.assign(name.begin(), std::find(name.begin(), name.end(), 0));
      s.virtualSize = r.u32();
      s.virtualAddress = r.u32();
      s.rawSize = r.u32();
      s.rawOffset = r.u32();
      r.skip(12);  // relocation and line number pointers and counts
      s.characteristics = r.u32();
      if (!r.ok()) return fail("truncated section table");
      if (s.rawSize != 0 && (s.rawOffset > file_.size() || s.rawSize > file_.size() - s.rawOffset))
        return fail("section " + s.name + " runs past the end of the file");
      image_.sections.push_back(s);
    }
    return true;
  }

  // ---- resources: type → name → language → data entry

  bool resourceName(ByteReader& tree, uint32_t field, ResourceName& name) {
    if (field & 0x80000000u) {
      ByteReader at = tree;
      at.seek(field & 0x7FFFFFFFu);
      uint16_t length = at.u16();
      name.isString = true;
      name.text = at.wstr(length);
      if (!at.ok()) return fail("resource name string out of range at " + hex(field & 0x7FFFFFFFu));
    } else {
      name.id = field;
    }
    return true;
  }

  bool resourceDirectory(ByteReader& tree, uint32_t offset, int level, Resource& path) {
    ByteReader r = tree;
    r.seek(offset);
    r.skip(12);  // characteristics, time stamp, version
    uint32_t count = static_cast<uint32_t>(r.u16()) + r.u16();
    if (!r.ok()) return fail("resource directory out of range at " + hex(offset));
    if (size_t{count} * 8 > r.remaining()) return fail("resource directory entries out of range at " + hex(offset));
    for (uint32_t i = 0; i < count; ++i) {
      // Directories may share subdirectories; count every visit so a tree
      // built to fan out cannot keep us busy.
      if (++entriesVisited_ > kMaxResourceEntries) return fail("too many resource directory entries");
      uint32_t nameField = r.u32();
      uint32_t target = r.u32();
      if (!r.ok()) return fail("resource directory entries out of range at " + hex(offset));
      bool isDirectory = (target & 0x80000000u) != 0;
      // Exactly three levels: the first two point at directories, the last at data.
      if (isDirectory != (level < 2)) return fail("resource tree is not three levels deep at " + hex(offset));

      if (level == 0) {
        if (!resourceName(tree, nameField, path.type)) return false;
      } else if (level == 1) {
        if (!resourceName(tree, nameField, path.name)) return false;
      } else {
        if (nameField & 0x80000000u) return fail("resource language given as a string");
        path.language = nameField;
      }

      if (isDirectory) {
        if (!resourceDirectory(tree, target & 0x7FFFFFFFu, level + 1, path)) return false;
        continue;
      }

      ByteReader entry = tree;
      entry.seek(target);
      uint32_t dataRva = entry.u32();
      uint32_t dataSize = entry.u32();
      uint32_t codePage = entry.u32();
      if (!entry.ok()) return fail("resource data entry out of range at " + hex(target));
      ByteReader data;
      if (!atRva(dataRva, data)) return fail("resource data at " + hex(dataRva) + " is not in the file");
      if (image_.resources.size() >= kMaxResources) return fail("too many resources");
      Resource resource = path;
      resource.codePage = codePage;
      resource.data = data.bytes(dataSize);
      if (!data.ok()) return fail("resource data at " + hex(dataRva) + " runs past its section");
      image_.resources.push_back(std::move(resource));
    }
    return true;
  }

  bool resourcesFromDirectory() {
    auto [rva, size] = directory_[kDirResource];
    if (rva == 0 && size == 0) return true;
    ByteReader tree;
    if (!atRva(rva, tree)) return fail("resource directory at " + hex(rva) + " is not in the file");
    Resource path;
    return resourceDirectory(tree, 0, 0, path);
  }

  // ---- imports

  bool importsFromDirectory() {
    auto [rva, size] = directory_[kDirImport];
    if (rva == 0 && size == 0) return true;
    ByteReader r;
    if (!atRva(rva, r)) return fail("import directory at " + hex(rva) + " is not in the file");
    bool plus = image_.magic == 0x20B;
    for (size_t n = 0;; ++n) {
      if (n >= kMaxImportedDlls) return fail("too many imported DLLs");
      uint32_t lookupRva = r.u32();
      r.skip(8);  // time stamp, forwarder chain
      uint32_t nameRva = r.u32();
      uint32_t addressRva = r.u32();
      if (!r.ok()) return fail("import directory runs past its section");
      if (lookupRva == 0 && nameRva == 0 && addressRva == 0) break;

      ImportedDll dll;
      ByteReader name;
      if (!atRva(nameRva, name)) return fail("import DLL name at " + hex(nameRva) + " is not in the file");
      dll.name = name.cstr();
      if (!name.ok()) return fail("import DLL name at " + hex(nameRva) + " is unterminated");

      // Bound programs overwrite the address table, so prefer the lookup table.
      uint32_t thunksRva = lookupRva != 0 ? lookupRva : addressRva;
      ByteReader thunks;
      if (!atRva(thunksRva, thunks)) return fail("import table of " + dll.name + " is not in the file");
      for (size_t i = 0;; ++i) {
        if (i >= kMaxImportsPerDll) return fail("too many imports from " + dll.name);
        uint64_t thunk = plus ? thunks.u64() : thunks.u32();
        if (!thunks.ok()) return fail("import table of " + dll.name + " runs past its section");
        if (thunk == 0) break;
        uint64_t byOrdinal = plus ? 1ull << 63 : 1ull << 31;
        if (thunk & byOrdinal) {
          dll.ordinals.push_back(static_cast<uint32_t>(thunk & 0xFFFF));
          continue;
        }
        ByteReader hint;
        uint32_t hintRva = static_cast<uint32_t>(thunk & 0x7FFFFFFF);
        if (!atRva(hintRva, hint)) return fail("import name at " + hex(hintRva) + " is not in the file");
        hint.skip(2);
        std::string function = hint.cstr();
        if (!hint.ok()) return fail("import name at " + hex(hintRva) + " is unterminated");
        dll.functions.push_back(function);
      }
      image_.imports.push_back(std::move(dll));
    }
    return true;
  }

  struct Directory {
    uint32_t rva = 0;
    uint32_t size = 0;
  };

  const std::vector<uint8_t>& file_;
  Image& image_;
  std::string& error_;
  Directory directory_[16];
  size_t entriesVisited_ = 0;
};

bool sameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

// --------------------------------------------------------------------- Image

std::vector<const Resource*> Image::find(uint32_t type, uint32_t id) const {
  std::vector<const Resource*> found;
  for (const Resource& r : resources)
    if (!r.type.isString && r.type.id == type && !r.name.isString && r.name.id == id) found.push_back(&r);
  return found;
}

const Resource* Image::find(uint32_t type, uint32_t id, uint32_t language) const {
  for (const Resource* r : find(type, id))
    if (r->language == language) return r;
  return nullptr;
}

const ImportedDll* Image::findImport(const std::string& dll) const {
  for (const ImportedDll& d : imports)
    if (sameName(d.name, dll)) return &d;
  return nullptr;
}

bool parse(const std::vector<uint8_t>& file, Image& image, std::string& error) {
  image = Image();
  error.clear();
  return Parser(file, image, error).run();
}

bool load(const std::string& path, Image& image, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!parse(file, image, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

std::string narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out;
}

}  // namespace pe
