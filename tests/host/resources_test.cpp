// Reads the built Windows program and checks the resources the shell and the
// dialog manager see: PE header, the product-selection dialog, the icons and
// the version block and the manifest.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/built_program.h"
#include "support/pe_reader.h"
#include "support/resource_formats.h"

#ifndef MASTERINSTALL_EXE
#error "MASTERINSTALL_EXE must name the built program"
#endif

namespace {

constexpr uint32_t kEnglishUs = 1033;

// ------------------------------------------------------------ comparisons

std::string number(uint64_t value) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%llu (0x%llX)", static_cast<unsigned long long>(value),
                static_cast<unsigned long long>(value));
  return buffer;
}

// One checked value: what it is, what it should be, what the file holds.
struct Field {
  const char* what;
  uint64_t expected;
  uint64_t actual;
};

::testing::AssertionResult Matches(const Field& f) {
  if (f.expected == f.actual) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << f.what << ": expected " << number(f.expected) << ", got "
                                       << number(f.actual);
}

void ExpectFields(const std::vector<Field>& rows) {
  for (const Field& f : rows) EXPECT_TRUE(Matches(f));
}

struct Text {
  const char* what;
  std::string expected;
  std::string actual;
};

void ExpectTexts(const std::vector<Text>& rows) {
  for (const Text& t : rows)
    EXPECT_EQ(t.expected, t.actual) << t.what << ": expected \"" << t.expected << "\", got \"" << t.actual << "\"";
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// What a dialog class field means, whichever way it is stored: the
// predefined ordinals stand for the system classes.
std::string ClassMeaning(const res::SzOrOrd& field) {
  switch (field.kind) {
    case res::SzOrOrd::kNone:
      return "(none)";
    case res::SzOrOrd::kString:
      return lower(pe::narrow(field.text));
    case res::SzOrOrd::kOrdinal:
      switch (field.ordinal) {
        case 0x0080: return "button";
        case 0x0081: return "edit";
        case 0x0082: return "static";
        case 0x0083: return "listbox";
        case 0x0084: return "scrollbar";
        case 0x0085: return "combobox";
      }
      return "ordinal " + number(field.ordinal);
  }
  return "?";
}

std::string Describe(const res::SzOrOrd& field) {
  switch (field.kind) {
    case res::SzOrOrd::kNone: return "nothing";
    case res::SzOrOrd::kOrdinal: return "ordinal " + number(field.ordinal);
    case res::SzOrOrd::kString: return "string \"" + pe::narrow(field.text) + "\"";
  }
  return "?";
}

std::string Languages(const std::vector<const pe::Resource*>& found) {
  std::string out;
  for (const pe::Resource* r : found) out += (out.empty() ? "" : ", ") + std::to_string(r->language);
  return out.empty() ? "none" : out;
}

// ---------------------------------------------------------------- fixture

class Resources : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    exe_ = BuiltProgram(error);
    ASSERT_TRUE(exe_) << "cannot read the built program " << MASTERINSTALL_EXE << " (" << error
                      << "); run `make build` first";
  }

  // The resource must exist in exactly one language, US English.
  const pe::Resource* English(uint32_t type, uint32_t id) {
    std::vector<const pe::Resource*> found = exe_->find(type, id);
    if (found.size() != 1 || found[0]->language != kEnglishUs) {
      ADD_FAILURE() << "resource type " << type << " id " << id << ": expected language " << kEnglishUs
                    << " only, got " << Languages(found);
    }
    return exe_->find(type, id, kEnglishUs);
  }

  const pe::Image* exe_ = nullptr;
};

// --------------------------------------------------------------------- PE

TEST_F(Resources, PeHeader) {
  ExpectFields({
      {"machine", 0x14C, exe_->machine},
      {"subsystem", 2, exe_->subsystem},
      {"major subsystem version", 4, exe_->majorSubsystemVersion},
      {"minor subsystem version", 0, exe_->minorSubsystemVersion},
  });
}

// ----------------------------------------------------------------- dialog

constexpr uint32_t kDialogId = 102;

res::DialogEx LoadDialog(const pe::Resource* resource) {
  res::DialogEx dialog;
  std::string error;
  EXPECT_TRUE(res::parseDialogEx(resource->data, dialog, error)) << "dialog " << kDialogId << ": " << error;
  return dialog;
}

TEST_F(Resources, DialogHeader) {
  const pe::Resource* resource = English(pe::kRtDialog, kDialogId);
  ASSERT_NE(nullptr, resource) << "no US English dialog " << kDialogId;
  res::DialogEx d = LoadDialog(resource);
  ASSERT_FALSE(HasFailure());

  ExpectFields({
      {"signature", 0xFFFF, d.signature},
      {"version", 1, d.version},
      {"help ID", 0, d.helpId},
      {"extended style", 0x00040000, d.exStyle},
      {"style", 0x90C800C0, d.style},
      {"x", 0, static_cast<uint16_t>(d.x)},
      {"y", 0, static_cast<uint16_t>(d.y)},
      {"width", 150, static_cast<uint16_t>(d.cx)},
      {"height", 178, static_cast<uint16_t>(d.cy)},
      {"has font", 1, d.hasFont},
      {"font point size", 8, d.pointSize},
      {"font weight", 0, d.weight},
      {"font italic", 0, d.italic},
      {"font charset", 1, d.charset},
      {"control count", 7, d.itemCount},
  });
  EXPECT_EQ(res::SzOrOrd::kNone, d.menu.kind) << "menu: expected none, got " << Describe(d.menu);
  EXPECT_EQ(res::SzOrOrd::kNone, d.windowClass.kind)
      << "class: expected the standard dialog class, got " << Describe(d.windowClass);
  ExpectTexts({
      {"caption", "Kestrinel Master Install", pe::narrow(d.title)},
      {"font", "MS Sans Serif", pe::narrow(d.typeface)},
  });
}

struct ExpectedControl {
  uint32_t id;
  const char* className;
  const char* text;
  uint32_t style;
  int16_t x, y, cx, cy;
};

const ExpectedControl kControls[] = {
    {1, "Button", "OK", 0x50010001, 19, 157, 50, 14},
    {2, "Button", "Cancel", 0x50010000, 81, 157, 50, 14},
    {0xFFFFFFFF, "Static",
     "Please select the product you would like to install. Since setup may need to reboot, please restart and "
     "run setup for each product you wish to install. You may wish to uninstall an existing product before "
     "installing a new version.",
     0x50020000, 13, 14, 113, 59},
    {1001, "Button", "Adobe Acrobat Reader 4.0", 0x50020009, 14, 88, 101, 10},
    {1002, "Button", "Kestrinel Vo USB Control Panel", 0x50000009, 14, 103, 127, 10},
    {1004, "Button", "Keil 8051 4KB DevelopmentTools", 0x50000009, 14, 118, 122, 10},
    {1005, "Button", "Kestrinel Vo Link Cable Test", 0x40000009, 14, 133, 117, 10},
};

TEST_F(Resources, DialogControls) {
  const pe::Resource* resource = English(pe::kRtDialog, kDialogId);
  ASSERT_NE(nullptr, resource) << "no US English dialog " << kDialogId;
  res::DialogEx d = LoadDialog(resource);
  ASSERT_FALSE(HasFailure());

  const size_t expectedCount = std::size(kControls);
  EXPECT_EQ(expectedCount, d.items.size()) << "controls: expected " << expectedCount << ", got " << d.items.size();
  for (size_t i = 0; i < expectedCount && i < d.items.size(); ++i) {
    const ExpectedControl& want = kControls[i];
    const res::DialogItem& got = d.items[i];
    SCOPED_TRACE("control " + std::to_string(i + 1) + " (ID " + number(want.id) + ")");

    ExpectFields({
        {"ID", want.id, got.id},
        {"help ID", 0, got.helpId},
        {"extended style", 0, got.exStyle},
        {"style", want.style, got.style},
        {"x", static_cast<uint16_t>(want.x), static_cast<uint16_t>(got.x)},
        {"y", static_cast<uint16_t>(want.y), static_cast<uint16_t>(got.y)},
        {"width", static_cast<uint16_t>(want.cx), static_cast<uint16_t>(got.cx)},
        {"height", static_cast<uint16_t>(want.cy), static_cast<uint16_t>(got.cy)},
        {"creation data bytes", 0, got.creationData.size()},
    });
    EXPECT_EQ(lower(want.className), ClassMeaning(got.windowClass))
        << "class: expected " << want.className << ", got " << Describe(got.windowClass);
    EXPECT_EQ(res::SzOrOrd::kString, got.title.kind) << "text: expected a string, got " << Describe(got.title);
    ExpectTexts({{"text", want.text, pe::narrow(got.title.text)}});
  }
}

// ------------------------------------------------------------------ icons

constexpr uint32_t kIconImageBytes = 744;

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct ExpectedIconGroup {
  uint32_t group;
  uint16_t image;
};

const ExpectedIconGroup kIconGroups[] = {
    {128, 1},
    {130, 2},
};

TEST_F(Resources, IconGroups) {
  for (const ExpectedIconGroup& want : kIconGroups) {
    SCOPED_TRACE("icon group " + std::to_string(want.group));
    const pe::Resource* resource = English(pe::kRtGroupIcon, want.group);
    if (resource == nullptr) {
      ADD_FAILURE() << "no US English icon group " << want.group;
      continue;
    }
    res::IconGroup group;
    std::string error;
    if (!res::parseIconGroup(resource->data, group, error)) {
      ADD_FAILURE() << error;
      continue;
    }
    ExpectFields({
        {"reserved", 0, group.reserved},
        {"type (1 = icon)", 1, group.type},
        {"entries", 1, group.entries.size()},
    });
    if (group.entries.size() != 1) continue;
    const res::IconGroupEntry& e = group.entries[0];
    ExpectFields({
        {"width", 32, e.width},
        {"height", 32, e.height},
        {"colours", 16, e.colorCount},
        {"planes", 1, e.planes},
        {"bits per pixel", 4, e.bitCount},
        {"bytes", kIconImageBytes, e.bytesInRes},
        {"icon image ID", want.image, e.id},
    });
  }
}

TEST_F(Resources, IconImages) {
  std::vector<const std::vector<uint8_t>*> images;
  for (const ExpectedIconGroup& want : kIconGroups) {
    SCOPED_TRACE("icon image " + std::to_string(want.image));
    const std::vector<const pe::Resource*> found = exe_->find(pe::kRtIcon, want.image);
    if (found.empty()) {
      ADD_FAILURE() << "icon image " << want.image << " is missing";
      continue;
    }
    const std::vector<uint8_t>& data = found[0]->data;
    images.push_back(&data);
    res::BitmapInfoHeader h;
    std::string error;
    EXPECT_TRUE(res::parseBitmapInfoHeader(data, h, error)) << error;
    ExpectFields({
        {"bytes", kIconImageBytes, data.size()},
        {"header size", 40, h.size},
        {"width", 32, static_cast<uint32_t>(h.width)},
        {"height (image and mask)", 64, static_cast<uint32_t>(h.height)},
        {"planes", 1, h.planes},
        {"bits per pixel", 4, h.bitCount},
        {"compression", 0, h.compression},
    });
  }
  ASSERT_EQ(2u, images.size());
  EXPECT_TRUE(*images[0] == *images[1]) << "icon images 1 and 2 differ";
}

// The program must carry the committed artwork, not a stale or other icon.
TEST_F(Resources, IconImageIsTheCommittedArtwork) {
  std::string source = __FILE__;
  std::string ico = source.substr(0, source.rfind("tests/host/")) + "res/MasterInstall.ico";
  std::vector<uint8_t> file = ReadFile(ico);
  // An .ico with one image: 6-byte header, one 16-byte entry, then the image.
  ASSERT_EQ(6u + 16u + kIconImageBytes, file.size()) << "unexpected size of " << ico;
  std::vector<uint8_t> artwork(file.begin() + 22, file.end());

  const pe::Resource* image = exe_->find(pe::kRtIcon, 1, kEnglishUs);
  ASSERT_NE(nullptr, image) << "no US English icon image 1";
  EXPECT_TRUE(image->data == artwork) << "icon image 1 is not the image in " << ico;
}

// ---------------------------------------------------------------- version

TEST_F(Resources, VersionBlock) {
  const pe::Resource* resource = English(pe::kRtVersion, 1);
  ASSERT_NE(nullptr, resource) << "no US English version block";
  res::VersionNode root;
  std::string error;
  ASSERT_TRUE(res::parseVersion(resource->data, root, error)) << error;
  ExpectTexts({{"root key", "VS_VERSION_INFO", pe::narrow(root.key)}});

  res::FixedFileInfo f;
  ASSERT_TRUE(res::parseFixedFileInfo(root.value, f, error)) << error;
  ExpectFields({
      {"signature", 0xFEEF04BD, f.signature},
      {"file version (high)", 0x00010000, f.fileVersionMS},
      {"file version (low)", 0x00000001, f.fileVersionLS},
      {"product version (high)", 0x00010000, f.productVersionMS},
      {"product version (low)", 0x00000001, f.productVersionLS},
      {"file OS", 0x00000004, f.fileOS},
      {"file type", 1, f.fileType},
  });

  const res::VersionNode* strings = root.child(u"StringFileInfo");
  ASSERT_NE(nullptr, strings) << "no StringFileInfo";
  const res::VersionNode* table = strings->child(u"040904B0");
  ASSERT_NE(nullptr, table) << "no string table 040904B0";

  // An empty expectation means: present and not empty.
  const Text kStrings[] = {
      {"CompanyName", "Kestrinel", ""},
      {"FileVersion", "1, 0, 0, 1", ""},
      {"ProductVersion", "11,12, 99, 1", ""},
      {"FileDescription", "", ""},
      {"InternalName", "", ""},
      {"OriginalFilename", "", ""},
      {"ProductName", "", ""},
      {"LegalCopyright", "", ""},
  };
  for (const Text& want : kStrings) {
    std::u16string key(want.what, want.what + std::char_traits<char>::length(want.what));
    const res::VersionNode* value = table->child(key);
    if (value == nullptr) {
      ADD_FAILURE() << want.what << ": missing";
      continue;
    }
    std::string got = pe::narrow(value->text());
    if (want.expected.empty())
      EXPECT_FALSE(got.empty()) << want.what << ": expected some text, got an empty string";
    else
      ExpectTexts({{want.what, want.expected, got}});
  }

  const res::VersionNode* vars = root.child(u"VarFileInfo");
  ASSERT_NE(nullptr, vars) << "no VarFileInfo";
  const res::VersionNode* translation = vars->child(u"Translation");
  ASSERT_NE(nullptr, translation) << "no Translation";
  ASSERT_EQ(4u, translation->value.size()) << "Translation: expected one language and code page pair";
  const std::vector<uint8_t>& t = translation->value;
  ExpectFields({
      {"translation language", 0x0409, static_cast<uint32_t>(t[0] | t[1] << 8)},
      {"translation code page", 1200, static_cast<uint32_t>(t[2] | t[3] << 8)},
  });
}

// --------------------------------------------------------------- manifest

constexpr uint32_t kRtManifest = 24;

// One element's start tag as the manifest writes it.
struct XmlTag {
  std::string name;  // without a namespace prefix
  std::vector<std::pair<std::string, std::string>> attributes;
};

// The start tags of an XML text, outside comments, processing instructions
// and CDATA. Enough for a manifest; false when the text is not well formed
// enough to read tag by tag.
bool StartTags(const std::string& xml, std::vector<XmlTag>& tags, std::string& error) {
  auto isNameChar = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':';
  };
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t at = 0;
  while ((at = xml.find('<', at)) != std::string::npos) {
    const struct {
      const char* open;
      const char* close;
    } kSkipped[] = {{"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}, {"<!", ">"}};
    bool skipped = false;
    for (const auto& skip : kSkipped) {
      if (xml.compare(at, std::strlen(skip.open), skip.open) == 0) {
        const size_t end = xml.find(skip.close, at);
        if (end == std::string::npos) {
          error = std::string("unterminated ") + skip.open + " at " + std::to_string(at);
          return false;
        }
        at = end + std::strlen(skip.close);
        skipped = true;
        break;
      }
    }
    if (skipped) continue;
    ++at;
    if (at < xml.size() && xml[at] == '/') continue;  // an end tag
    XmlTag tag;
    const size_t nameStart = at;
    while (at < xml.size() && isNameChar(xml[at])) ++at;
    std::string name = xml.substr(nameStart, at - nameStart);
    if (name.empty()) {
      error = "a tag without a name at " + std::to_string(nameStart);
      return false;
    }
    const size_t colon = name.rfind(':');
    tag.name = colon == std::string::npos ? name : name.substr(colon + 1);
    for (;;) {
      while (at < xml.size() && isSpace(xml[at])) ++at;
      if (at >= xml.size()) {
        error = "unterminated tag <" + name;
        return false;
      }
      if (xml[at] == '>' || xml.compare(at, 2, "/>") == 0) break;
      const size_t attrStart = at;
      while (at < xml.size() && isNameChar(xml[at])) ++at;
      std::string attr = xml.substr(attrStart, at - attrStart);
      while (at < xml.size() && isSpace(xml[at])) ++at;
      if (attr.empty() || at >= xml.size() || xml[at] != '=') {
        error = "malformed attribute in <" + name;
        return false;
      }
      ++at;
      while (at < xml.size() && isSpace(xml[at])) ++at;
      if (at >= xml.size() || (xml[at] != '"' && xml[at] != '\'')) {
        error = "unquoted value of " + attr + " in <" + name;
        return false;
      }
      const char quote = xml[at++];
      const size_t valueEnd = xml.find(quote, at);
      if (valueEnd == std::string::npos) {
        error = "unterminated value of " + attr + " in <" + name;
        return false;
      }
      tag.attributes.emplace_back(attr, xml.substr(at, valueEnd - at));
      at = valueEnd + 1;
    }
    tags.push_back(std::move(tag));
  }
  return true;
}

TEST(ResourcesManifestReader, ReadsTagsAndSkipsComments) {
  // The reader must see through what a manifest may contain, or the check
  // below could pass on a commented-out level or miss a prefixed element.
  struct Case {
    const char* xml;
    bool ok;
    std::vector<std::string> names;
  };
  const Case kCases[] = {
      {"<a x=\"1\"><b/></a>", true, {"a", "b"}},
      {"<?xml version='1.0'?><!-- <supportedOS Id='x'/> --><a/>", true, {"a"}},
      {"<a><![CDATA[<b/>]]></a>", true, {"a"}},
      {"<ms_compatibility:supportedOS Id='{x}'/>", true, {"supportedOS"}},
      {"<a x = '1' y=\"2\" />", true, {"a"}},
      {"<a x=1/>", false, {}},
      {"<a x='1'", false, {}},
      {"<!-- open", false, {}},
  };
  for (const Case& c : kCases) {
    std::vector<XmlTag> tags;
    std::string error;
    EXPECT_EQ(c.ok, StartTags(c.xml, tags, error)) << c.xml << ": " << error;
    if (!c.ok) continue;
    std::vector<std::string> names;
    for (const XmlTag& tag : tags) names.push_back(tag.name);
    EXPECT_EQ(c.names, names) << c.xml;
  }
  std::vector<XmlTag> tags;
  std::string error;
  ASSERT_TRUE(StartTags("<a x = '1' y=\"two\" />", tags, error)) << error;
  ASSERT_EQ(1u, tags.size());
  const std::vector<std::pair<std::string, std::string>> kAttributes = {{"x", "1"}, {"y", "two"}};
  EXPECT_EQ(kAttributes, tags[0].attributes);
}

TEST_F(Resources, ManifestAsksForAdministrator) {
  // Exactly one manifest, as ID 1 (the one Windows reads for an .exe), in
  // US English like every other resource.
  std::vector<const pe::Resource*> manifests;
  for (const pe::Resource& r : exe_->resources)
    if (!r.type.isString && r.type.id == kRtManifest) manifests.push_back(&r);
  ASSERT_EQ(1u, manifests.size()) << "expected one manifest resource, found " << manifests.size();
  const pe::Resource& manifest = *manifests[0];
  ExpectFields({
      {"manifest id is a number", 0, manifest.name.isString ? 1u : 0u},
      {"manifest id", 1, manifest.name.id},
      {"manifest language", kEnglishUs, manifest.language},
  });

  std::string xml(manifest.data.begin(), manifest.data.end());
  if (xml.compare(0, 3, "\xEF\xBB\xBF") == 0) xml.erase(0, 3);
  std::vector<XmlTag> tags;
  std::string error;
  ASSERT_TRUE(StartTags(xml, tags, error)) << "the manifest does not read as XML: " << error;

  std::vector<const XmlTag*> levels;
  for (const XmlTag& tag : tags) {
    if (tag.name == "requestedExecutionLevel") levels.push_back(&tag);
    // Declaring supported systems would change the version numbers and
    // behaviour Windows gives the program.
    EXPECT_NE("supportedOS", tag.name) << "the manifest declares a supportedOS element";
  }
  ASSERT_EQ(1u, levels.size()) << "expected one requestedExecutionLevel, found " << levels.size();
  std::map<std::string, std::string> attributes(levels[0]->attributes.begin(), levels[0]->attributes.end());
  ExpectTexts({
      {"requestedExecutionLevel level", "requireAdministrator", attributes["level"]},
      {"requestedExecutionLevel uiAccess", "false", attributes["uiAccess"]},
  });
}

}  // namespace
