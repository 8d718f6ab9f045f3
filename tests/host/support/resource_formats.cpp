#include "support/resource_formats.h"

#include <cstdio>

#include "support/pe_reader.h"

namespace res {
namespace {

using pe::ByteReader;

std::string hex(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%X", value);
  return buffer;
}

SzOrOrd readSzOrOrd(ByteReader& r) {
  SzOrOrd field;
  uint16_t first = r.u16();
  if (first == 0x0000) return field;
  if (first == 0xFFFF) {
    field.kind = SzOrOrd::kOrdinal;
    field.ordinal = r.u16();
    return field;
  }
  field.kind = SzOrOrd::kString;
  field.text.push_back(first);
  field.text += r.wstr();
  return field;
}

// Version nodes nest four deep in practice; this only stops runaway input.
constexpr int kMaxVersionDepth = 16;

bool readVersionNode(ByteReader& r, size_t limit, int depth, VersionNode& node, std::string& error) {
  if (depth > kMaxVersionDepth) {
    error = "version block nested too deeply";
    return false;
  }
  size_t start = r.pos();
  uint16_t length = r.u16();
  uint16_t valueLength = r.u16();
  node.type = r.u16();
  if (!r.ok()) {
    error = "version node header out of range at " + hex(static_cast<uint32_t>(start));
    return false;
  }
  size_t end = start + length;
  if (length < 6 || end > limit) {
    error = "version node at " + hex(static_cast<uint32_t>(start)) + " has a bad length " + hex(length);
    return false;
  }
  node.key = r.wstr();
  r.align(4);
  // Key, value and children must all stay inside the node's own length.
  size_t valueBytes = node.type == 1 ? size_t{valueLength} * 2 : valueLength;
  if (!r.ok() || r.pos() > end || valueBytes > end - r.pos()) {
    error = "version node \"" + pe::narrow(node.key) + "\" runs past its length";
    return false;
  }
  node.value = r.bytes(valueBytes);
  r.align(4);
  while (r.ok() && r.pos() + 6 <= end) {
    VersionNode child;
    if (!readVersionNode(r, end, depth + 1, child, error)) return false;
    node.children.push_back(std::move(child));
    r.align(4);
  }
  r.seek(end);
  return true;
}

}  // namespace

bool parseDialogEx(const std::vector<uint8_t>& data, DialogEx& d, std::string& error) {
  d = DialogEx();
  ByteReader r(data);
  d.version = r.u16();
  d.signature = r.u16();
  if (!r.ok() || d.signature != 0xFFFF) {
    error = "not an extended dialog template (signature " + hex(d.signature) + ")";
    return false;
  }
  d.helpId = r.u32();
  d.exStyle = r.u32();
  d.style = r.u32();
  d.itemCount = r.u16();
  d.x = r.i16();
  d.y = r.i16();
  d.cx = r.i16();
  d.cy = r.i16();
  d.menu = readSzOrOrd(r);
  d.windowClass = readSzOrOrd(r);
  d.title = r.wstr();
  // DS_SETFONT (0x40), alone or as part of DS_SHELLFONT, adds the font fields.
  d.hasFont = (d.style & 0x40) != 0;
  if (d.hasFont) {
    d.pointSize = r.u16();
    d.weight = r.u16();
    d.italic = r.u8();
    d.charset = r.u8();
    d.typeface = r.wstr();
  }
  if (!r.ok()) {
    error = "dialog header runs past the resource";
    return false;
  }
  for (uint16_t i = 0; i < d.itemCount; ++i) {
    DialogItem item;
    r.align(4);
    item.helpId = r.u32();
    item.exStyle = r.u32();
    item.style = r.u32();
    item.x = r.i16();
    item.y = r.i16();
    item.cx = r.i16();
    item.cy = r.i16();
    item.id = r.u32();
    item.windowClass = readSzOrOrd(r);
    item.title = readSzOrOrd(r);
    uint16_t extra = r.u16();
    item.creationData = r.bytes(extra);
    if (!r.ok()) {
      error = "dialog control " + std::to_string(i + 1) + " of " + std::to_string(d.itemCount) +
              " runs past the resource";
      return false;
    }
    d.items.push_back(std::move(item));
  }
  return true;
}

bool parseIconGroup(const std::vector<uint8_t>& data, IconGroup& group, std::string& error) {
  group = IconGroup();
  ByteReader r(data);
  group.reserved = r.u16();
  group.type = r.u16();
  uint16_t count = r.u16();
  for (uint16_t i = 0; i < count && r.ok(); ++i) {
    IconGroupEntry e;
    e.width = r.u8();
    e.height = r.u8();
    e.colorCount = r.u8();
    e.reserved = r.u8();
    e.planes = r.u16();
    e.bitCount = r.u16();
    e.bytesInRes = r.u32();
    e.id = r.u16();
    group.entries.push_back(e);
  }
  if (!r.ok()) {
    error = "icon group with " + std::to_string(count) + " entries runs past the resource";
    return false;
  }
  return true;
}

bool parseBitmapInfoHeader(const std::vector<uint8_t>& data, BitmapInfoHeader& h, std::string& error) {
  h = BitmapInfoHeader();
  ByteReader r(data);
  h.size = r.u32();
  h.width = static_cast<int32_t>(r.u32());
  h.height = static_cast<int32_t>(r.u32());
  h.planes = r.u16();
  h.bitCount = r.u16();
  h.compression = r.u32();
  h.sizeImage = r.u32();
  if (!r.ok()) {
    error = "icon image too short for a bitmap header";
    return false;
  }
  return true;
}

const VersionNode* VersionNode::child(const std::u16string& name) const {
  for (const VersionNode& c : children)
    if (c.key == name) return &c;
  return nullptr;
}

std::u16string VersionNode::text() const {
  std::u16string out;
  for (size_t i = 0; i + 1 < value.size(); i += 2) {
    char16_t unit = static_cast<char16_t>(value[i] | value[i + 1] << 8);
    if (unit == 0) break;
    out.push_back(unit);
  }
  return out;
}

bool parseVersion(const std::vector<uint8_t>& data, VersionNode& root, std::string& error) {
  root = VersionNode();
  ByteReader r(data);
  return readVersionNode(r, data.size(), 0, root, error);
}

bool parseFixedFileInfo(const std::vector<uint8_t>& value, FixedFileInfo& f, std::string& error) {
  f = FixedFileInfo();
  if (value.size() != 52) {
    error = "fixed file info is " + std::to_string(value.size()) + " bytes, not 52";
    return false;
  }
  ByteReader r(value);
  f.signature = r.u32();
  f.strucVersion = r.u32();
  f.fileVersionMS = r.u32();
  f.fileVersionLS = r.u32();
  f.productVersionMS = r.u32();
  f.productVersionLS = r.u32();
  f.fileFlagsMask = r.u32();
  f.fileFlags = r.u32();
  f.fileOS = r.u32();
  f.fileType = r.u32();
  f.fileSubtype = r.u32();
  f.fileDateMS = r.u32();
  f.fileDateLS = r.u32();
  return r.ok();
}

}  // namespace res
