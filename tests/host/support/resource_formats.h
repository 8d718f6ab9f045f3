// Decoders for the resource formats the program carries: extended dialog
// templates, icon groups, icon images and version blocks. Like the PE reader
// they are bounds-checked and report malformed data as an error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace res {

// A field that is absent, a 16-bit ordinal, or a string.
struct SzOrOrd {
  enum Kind { kNone, kOrdinal, kString } kind = kNone;
  uint16_t ordinal = 0;
  std::u16string text;
};

struct DialogItem {
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  uint32_t id = 0;
  SzOrOrd windowClass;
  SzOrOrd title;
  std::vector<uint8_t> creationData;
};

struct DialogEx {
  uint16_t version = 0;
  uint16_t signature = 0;
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  uint16_t itemCount = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  SzOrOrd menu;
  SzOrOrd windowClass;
  std::u16string title;
  bool hasFont = false;
  uint16_t pointSize = 0;
  uint16_t weight = 0;
  uint8_t italic = 0;
  uint8_t charset = 0;
  std::u16string typeface;
  std::vector<DialogItem> items;
};

bool parseDialogEx(const std::vector<uint8_t>& data, DialogEx& dialog, std::string& error);

struct IconGroupEntry {
  uint8_t width = 0;
  uint8_t height = 0;
  uint8_t colorCount = 0;
  uint8_t reserved = 0;
  uint16_t planes = 0;
  uint16_t bitCount = 0;
  uint32_t bytesInRes = 0;
  uint16_t id = 0;
};

struct IconGroup {
  uint16_t reserved = 0;
  uint16_t type = 0;
  std::vector<IconGroupEntry> entries;
};

bool parseIconGroup(const std::vector<uint8_t>& data, IconGroup& group, std::string& error);

struct BitmapInfoHeader {
  uint32_t size = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 0;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
};

bool parseBitmapInfoHeader(const std::vector<uint8_t>& data, BitmapInfoHeader& header, std::string& error);

// One node of a version block: key, value, children.
struct VersionNode {
  std::u16string key;
  uint16_t type = 0;  // 1 text, 0 binary
  std::vector<uint8_t> value;
  std::vector<VersionNode> children;

  const VersionNode* child(const std::u16string& name) const;
  // A text value up to its first zero.
  std::u16string text() const;
};

bool parseVersion(const std::vector<uint8_t>& data, VersionNode& root, std::string& error);

struct FixedFileInfo {
  uint32_t signature = 0;
  uint32_t strucVersion = 0;
  uint32_t fileVersionMS = 0;
  uint32_t fileVersionLS = 0;
  uint32_t productVersionMS = 0;
  uint32_t productVersionLS = 0;
  uint32_t fileFlagsMask = 0;
  uint32_t fileFlags = 0;
  uint32_t fileOS = 0;
  uint32_t fileType = 0;
  uint32_t fileSubtype = 0;
  uint32_t fileDateMS = 0;
  uint32_t fileDateLS = 0;
};

bool parseFixedFileInfo(const std::vector<uint8_t>& value, FixedFileInfo& info, std::string& error);

}  // namespace res
