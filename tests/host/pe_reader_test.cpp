// The PE and resource readers on small files built here: they read what is
// there, and a truncated or damaged file gives an error, never a bad read
// (the host tests run under AddressSanitizer).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/pe_reader.h"
#include "support/resource_formats.h"

namespace {

// Little-endian byte builder.
struct Bytes {
  std::vector<uint8_t> b;

  Bytes& u8(uint8_t v) {
    b.push_back(v);
    return *this;
  }
  Bytes& u16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
  Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Bytes& str(const std::string& s) {
    for (char c : s) u8(static_cast<uint8_t>(c));
    return u8(0);
  }
  Bytes& wstr(const std::string& s) {
    for (char c : s) u16(static_cast<uint8_t>(c));
    return u16(0);
  }
  Bytes& align(size_t n) {
    while (b.size() % n) u8(0);
    return *this;
  }
  Bytes& at(size_t offset) {
    if (b.size() < offset) b.resize(offset);
    return *this;
  }
  void put32(size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  void put16(size_t offset, uint16_t v) {
    for (int i = 0; i < 2; ++i) b[offset + i] = static_cast<uint8_t>(v >> (8 * i));
  }
};

// Layout of the sample program; the damage table below patches these places.
constexpr size_t kPeOffset = 0x40;
constexpr size_t kOptional = kPeOffset + 4 + 20;
constexpr size_t kSectionTable = kOptional + 96 + 16 * 8;
constexpr size_t kRsrcFile = 0x200;
constexpr uint32_t kRsrcRva = 0x1000;
constexpr size_t kIdataFile = 0x400;
constexpr uint32_t kIdataRva = 0x2000;
constexpr size_t kFileSize = 0x600;

// A 32-bit GUI program with a resource section holding one dialog named
// "DLG" and an import section importing DoThing and ordinal 7 from TEST.DLL.
// The import section's raw data ends the file, so any truncation cuts it.
std::vector<uint8_t> SampleProgram() {
  Bytes f;
  f.u16(0x5A4D).at(0x3C).u32(kPeOffset);
  f.at(kPeOffset).u32(0x00004550);
  f.u16(0x14C).u16(2).u32(0).u32(0).u32(0).u16(96 + 16 * 8).u16(0x0102);
  f.u16(0x10B);
  f.at(kOptional + 28).u32(0x400000);
  f.at(kOptional + 48).u16(4).u16(0);
  f.at(kOptional + 60).u32(0x200);
  f.at(kOptional + 68).u16(2);
  f.at(kOptional + 92).u32(16);
  for (int i = 0; i < 16; ++i) {
    if (i == 1)
      f.u32(kIdataRva).u32(40);
    else if (i == 2)
      f.u32(kRsrcRva).u32(0x90);
    else
      f.u32(0).u32(0);
  }
  auto section = [&](const char* name, uint32_t rva, uint32_t file) {
    std::string n(name);
    n.resize(8, '\0');
    for (char c : n) f.u8(static_cast<uint8_t>(c));
    f.u32(0x200).u32(rva).u32(0x200).u32(file).u32(0).u32(0).u32(0).u32(0x40000040);
  };
  section(".rsrc", kRsrcRva, kRsrcFile);
  section(".idata", kIdataRva, kIdataFile);

  // Resource tree: type 5 → name "DLG" → language 1033 → 4 bytes "abcd".
  f.at(kRsrcFile).u32(0).u32(0).u32(0).u16(0).u16(1);
  f.u32(5).u32(0x80000018);
  f.at(kRsrcFile + 0x18).u32(0).u32(0).u32(0).u16(1).u16(0);
  f.u32(0x80000080).u32(0x80000030);
  f.at(kRsrcFile + 0x30).u32(0).u32(0).u32(0).u16(0).u16(1);
  f.u32(1033).u32(0x48);
  f.at(kRsrcFile + 0x48).u32(kRsrcRva + 0x60).u32(4).u32(1252).u32(0);
  f.at(kRsrcFile + 0x60).str("abc");
  f.at(kRsrcFile + 0x80).u16(3).u16('D').u16('L').u16('G');

  // Imports: one descriptor and the terminating empty one.
  f.at(kIdataFile).u32(kIdataRva + 0x40).u32(0).u32(0).u32(kIdataRva + 0x80).u32(kIdataRva + 0x60);
  f.u32(0).u32(0).u32(0).u32(0).u32(0);
  f.at(kIdataFile + 0x40).u32(kIdataRva + 0xA0).u32(0x80000007).u32(0);
  f.at(kIdataFile + 0x60).u32(kIdataRva + 0xA0).u32(0x80000007).u32(0);
  f.at(kIdataFile + 0x80).str("TEST.DLL");
  f.at(kIdataFile + 0xA0).u16(0).str("DoThing");
  f.at(kFileSize);
  return f.b;
}

TEST(PeReader, ReadsTheSampleProgram) {
  pe::Image image;
  std::string error;
  ASSERT_TRUE(pe::parse(SampleProgram(), image, error)) << error;
  EXPECT_EQ(0x14C, image.machine);
  EXPECT_EQ(2, image.subsystem);
  EXPECT_EQ(4, image.majorSubsystemVersion);
  EXPECT_EQ(0x400000u, image.imageBase);
  ASSERT_EQ(2u, image.sections.size());
  EXPECT_EQ(".idata", image.sections[1].name);

  ASSERT_EQ(1u, image.resources.size());
  const pe::Resource& r = image.resources[0];
  EXPECT_EQ(5u, r.type.id);
  EXPECT_TRUE(r.name.isString);
  EXPECT_EQ("DLG", pe::narrow(r.name.text));
  EXPECT_EQ(1033u, r.language);
  EXPECT_EQ(1252u, r.codePage);
  EXPECT_EQ((std::vector<uint8_t>{'a', 'b', 'c', 0}), r.data);

  const pe::ImportedDll* dll = image.findImport("test.dll");
  ASSERT_NE(nullptr, dll);
  EXPECT_EQ(std::vector<std::string>{"DoThing"}, dll->functions);
  EXPECT_EQ(std::vector<uint32_t>{7}, dll->ordinals);
  EXPECT_EQ(nullptr, image.findImport("OTHER.DLL"));
}

TEST(PeReader, EveryTruncationIsAnError) {
  const std::vector<uint8_t> whole = SampleProgram();
  for (size_t length = 0; length < whole.size(); ++length) {
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + length);
    pe::Image image;
    std::string error;
    EXPECT_FALSE(pe::parse(cut, image, error)) << "a file cut to " << length << " bytes was accepted";
    EXPECT_FALSE(error.empty()) << "no reason given at " << length << " bytes";
  }
}

struct Patch {
  size_t offset;
  uint32_t value;
  int width;  // 1, 2 or 4 bytes
};

struct Damage {
  const char* what;
  std::vector<Patch> patches;
  const char* error;  // part of the expected message
};

const Damage kDamage[] = {
    {"PE header offset past the end", {{0x3C, 0x10000, 4}}, "no PE signature"},
    {"no PE signature", {{kPeOffset, 0x12345678, 4}}, "no PE signature"},
    {"unknown optional header", {{kOptional, 0x999, 2}}, "magic"},
    {"too many data directories", {{kOptional + 92, 0x1000, 4}}, "data directory count"},
    {"directories overrun the optional header", {{kPeOffset + 20, 96, 2}}, "past the optional header"},
    {"section past the end of the file", {{kSectionTable + 16, 0x100000, 4}}, "past the end of the file"},
    {"section table past the end of the file", {{kPeOffset + 6, 0xFFFF, 2}}, "section"},
    {"root directory entry count", {{kRsrcFile + 14, 0xFFFF, 2}}, "entries out of range"},
    {"subdirectory offset", {{kRsrcFile + 20, 0x80007000, 4}}, "directory out of range"},
    {"language level points at a directory", {{kRsrcFile + 0x44, 0x80000048, 4}}, "three levels"},
    {"type level points at data", {{kRsrcFile + 20, 0x48, 4}}, "three levels"},
    {"language given as a string", {{kRsrcFile + 0x40, 0x80000080, 4}}, "language"},
    {"name string offset", {{kRsrcFile + 0x28, 0x800001FF, 4}}, "name string out of range"},
    {"name string length", {{kRsrcFile + 0x80, 0x4000, 2}}, "name string out of range"},
    {"data entry offset", {{kRsrcFile + 0x44, 0x1FC, 4}}, "data entry out of range"},
    {"data outside every section", {{kRsrcFile + 0x48, 0x9000, 4}}, "not in the file"},
    {"data size", {{kRsrcFile + 0x4C, 0x10000, 4}}, "runs past its section"},
    {"resource directory outside every section", {{kOptional + 96 + 16, 0x7000, 4}}, "resource directory"},
    {"import directory outside every section", {{kOptional + 96 + 8, 0x7000, 4}}, "import directory"},
    {"DLL name outside every section", {{kIdataFile + 12, 0x5000, 4}}, "import DLL name"},
    {"DLL name unterminated",
     {{kIdataFile + 12, kIdataRva + 0x1FE, 4}, {kFileSize - 2, 'X', 1}, {kFileSize - 1, 'X', 1}},
     "unterminated"},
    {"lookup table outside every section", {{kIdataFile, 0x9000, 4}}, "import table"},
    {"lookup table unterminated", {{kIdataFile, kIdataRva + 0x1FC, 4}, {kFileSize - 4, 0x80000001, 4}},
     "runs past its section"},
    {"function name outside every section", {{kIdataFile + 0x40, 0x7000, 4}}, "import name"},
    {"descriptors cut by the section end", {{kOptional + 96 + 8, kIdataRva + 0x1F0, 4}}, "import directory runs past"},
};

TEST(PeReader, DamageIsReported) {
  for (const Damage& d : kDamage) {
    SCOPED_TRACE(d.what);
    Bytes f{SampleProgram()};
    for (const Patch& p : d.patches) {
      if (p.width == 4)
        f.put32(p.offset, p.value);
      else if (p.width == 2)
        f.put16(p.offset, static_cast<uint16_t>(p.value));
      else
        f.b[p.offset] = static_cast<uint8_t>(p.value);
    }
    pe::Image image;
    std::string error;
    EXPECT_FALSE(pe::parse(f.b, image, error)) << "damaged file accepted";
    EXPECT_NE(std::string::npos, error.find(d.error)) << "expected an error about \"" << d.error << "\", got \""
                                                       << error << "\"";
  }
}

// Flipping bytes anywhere must leave the reader either succeeding or saying
// why not; AddressSanitizer catches any read outside the buffer.
TEST(PeReader, RandomDamageNeverReadsOutside) {
  const std::vector<uint8_t> whole = SampleProgram();
  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  int rejected = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> f = whole;
    int flips = 1 + next() % 4;
    for (int i = 0; i < flips; ++i) f[next() % f.size()] = static_cast<uint8_t>(next());
    pe::Image image;
    std::string error;
    if (!pe::parse(f, image, error)) {
      ++rejected;
      EXPECT_FALSE(error.empty()) << "round " << round << " rejected without a reason";
    }
  }
  // Most flips land in padding; some must hit a structure and be rejected.
  EXPECT_GT(rejected, 0);
}

// ------------------------------------------------------- resource formats

std::vector<uint8_t> SampleDialog() {
  Bytes d;
  d.u16(1).u16(0xFFFF).u32(7).u32(0x40000).u32(0x80000040).u16(2);
  d.u16(1).u16(2).u16(100).u16(50);
  d.u16(0).u16(0).wstr("Title");
  d.u16(9).u16(400).u8(1).u8(0).wstr("Face");
  d.align(4).u32(0).u32(0).u32(0x50010001).u16(5).u16(6).u16(40).u16(14).u32(1);
  d.u16(0xFFFF).u16(0x0080).wstr("OK").u16(0);
  d.align(4).u32(3).u32(4).u32(0x50000000).u16(5).u16(20).u16(40).u16(14).u32(0xFFFFFFFF);
  d.wstr("Static").u16(0xFFFF).u16(9).u16(2).u8(0xAA).u8(0xBB);
  return d.b;
}

TEST(ResourceFormats, ReadsAnExtendedDialog) {
  res::DialogEx d;
  std::string error;
  ASSERT_TRUE(res::parseDialogEx(SampleDialog(), d, error)) << error;
  EXPECT_EQ(7u, d.helpId);
  EXPECT_EQ(0x80000040u, d.style);
  EXPECT_EQ(100, d.cx);
  EXPECT_EQ("Title", pe::narrow(d.title));
  EXPECT_EQ(9, d.pointSize);
  EXPECT_EQ(400, d.weight);
  EXPECT_EQ(1, d.italic);
  EXPECT_EQ("Face", pe::narrow(d.typeface));
  ASSERT_EQ(2u, d.items.size());
  EXPECT_EQ(res::SzOrOrd::kOrdinal, d.items[0].windowClass.kind);
  EXPECT_EQ(0x0080, d.items[0].windowClass.ordinal);
  EXPECT_EQ("OK", pe::narrow(d.items[0].title.text));
  EXPECT_EQ(0xFFFFFFFFu, d.items[1].id);
  EXPECT_EQ("Static", pe::narrow(d.items[1].windowClass.text));
  EXPECT_EQ(res::SzOrOrd::kOrdinal, d.items[1].title.kind);
  EXPECT_EQ((std::vector<uint8_t>{0xAA, 0xBB}), d.items[1].creationData);
}

std::vector<uint8_t> SampleVersion() {
  Bytes leaf;  // String "A" = "bc"
  leaf.u16(0).u16(3).u16(1).wstr("A").align(4).wstr("bc").align(4);
  leaf.put16(0, static_cast<uint16_t>(leaf.b.size()));
  Bytes table;
  table.u16(0).u16(0).u16(1).wstr("040904B0").align(4);
  table.b.insert(table.b.end(), leaf.b.begin(), leaf.b.end());
  table.put16(0, static_cast<uint16_t>(table.b.size()));
  Bytes root;
  root.u16(0).u16(52).u16(0).wstr("VS_VERSION_INFO").align(4);
  root.u32(0xFEEF04BD).u32(0x10000);
  for (int i = 0; i < 11; ++i) root.u32(i);
  root.align(4);
  root.b.insert(root.b.end(), table.b.begin(), table.b.end());
  root.put16(0, static_cast<uint16_t>(root.b.size()));
  return root.b;
}

TEST(ResourceFormats, ReadsAVersionBlock) {
  res::VersionNode root;
  std::string error;
  ASSERT_TRUE(res::parseVersion(SampleVersion(), root, error)) << error;
  EXPECT_EQ("VS_VERSION_INFO", pe::narrow(root.key));
  res::FixedFileInfo info;
  ASSERT_TRUE(res::parseFixedFileInfo(root.value, info, error)) << error;
  EXPECT_EQ(0xFEEF04BDu, info.signature);
  EXPECT_EQ(10u, info.fileDateLS);
  const res::VersionNode* table = root.child(u"040904B0");
  ASSERT_NE(nullptr, table);
  const res::VersionNode* a = table->child(u"A");
  ASSERT_NE(nullptr, a);
  EXPECT_EQ("bc", pe::narrow(a->text()));
}

// Each sample cut short at every length must be rejected.
struct Truncation {
  const char* what;
  std::vector<uint8_t> (*sample)();
  bool (*parse)(const std::vector<uint8_t>&, std::string&);
};

const Truncation kTruncations[] = {
    {"dialog", SampleDialog,
     [](const std::vector<uint8_t>& data, std::string& error) {
       res::DialogEx d;
       return res::parseDialogEx(data, d, error);
     }},
    {"version block", SampleVersion,
     [](const std::vector<uint8_t>& data, std::string& error) {
       res::VersionNode root;
       return res::parseVersion(data, root, error);
     }},
    {"icon group",
     [] { return Bytes().u16(0).u16(1).u16(1).u8(32).u8(32).u8(16).u8(0).u16(1).u16(4).u32(744).u16(1).b; },
     [](const std::vector<uint8_t>& data, std::string& error) {
       res::IconGroup group;
       return res::parseIconGroup(data, group, error);
     }},
};

TEST(ResourceFormats, EveryTruncationIsAnError) {
  for (const Truncation& t : kTruncations) {
    SCOPED_TRACE(t.what);
    const std::vector<uint8_t> whole = t.sample();
    std::string error;
    ASSERT_TRUE(t.parse(whole, error)) << "the whole sample: " << error;
    for (size_t length = 0; length < whole.size(); ++length) {
      std::vector<uint8_t> cut(whole.begin(), whole.begin() + length);
      error.clear();
      EXPECT_FALSE(t.parse(cut, error)) << "cut to " << length << " of " << whole.size() << " bytes was accepted";
      EXPECT_FALSE(error.empty()) << "no reason given at " << length << " bytes";
    }
  }
}

TEST(ResourceFormats, VersionChildLongerThanItsParentIsAnError) {
  std::vector<uint8_t> data = SampleVersion();
  // The string table starts after the root's 40-byte header and key and the
  // 52-byte fixed info; its first word is its length.
  const size_t table = 40 + 52;
  data[table] = 0xFF;
  data[table + 1] = 0x7F;
  res::VersionNode root;
  std::string error;
  EXPECT_FALSE(res::parseVersion(data, root, error));
  EXPECT_NE(std::string::npos, error.find("bad length")) << error;
}

}  // namespace
