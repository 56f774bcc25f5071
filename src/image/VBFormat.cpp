#include "VBFormat.h"

#include "KolData.h"
#include "KolLog.h"

namespace {

bool ValidDepth(int v) { return v >= kB00 && v <= kB32; }
bool ValidOrder(int v) { return v >= kGray && v <= kBgr; }
bool ValidBit(int v) { return v == 0 || v == 1; }

}  // namespace

std::unique_ptr<KolObject> VBFormat::Create() const { return std::make_unique<VBFormat>(); }

void VBFormat::CopyFormat(const VBFormat& other) {
  name = other.name;
  fileType = other.fileType;
  width = other.width;
  height = other.height;
  depth = other.depth;
  order = other.order;
  horizontal = other.horizontal;
  vertical = other.vertical;
}

VBFormat VBFormat::WithCodes(int newDepth, int newOrder, int newHorizontal,
                             int newVertical) const {
  VBFormat f(*this);
  f.depth = newDepth;
  f.order = newOrder;
  f.horizontal = newHorizontal;
  f.vertical = newVertical;
  return f;
}

bool VBFormat::Equals(const VBFormat& other) const {
  return name == other.name && fileType == other.fileType && width == other.width &&
         height == other.height && depth == other.depth && order == other.order &&
         horizontal == other.horizontal && vertical == other.vertical;
}

int VBFormat::Transfer(KolData& data) {
  if (data.Storing()) {
    if (int r = data.WriteString(name.c_str())) return r;
    if (int r = data.WriteInt(fileType)) return r;
    if (int r = data.WriteInt(width)) return r;
    if (int r = data.WriteInt(height)) return r;
    const int codes[4] = {depth, order, horizontal, vertical};
    const bool valid[4] = {ValidDepth(depth), ValidOrder(order), ValidBit(horizontal),
                           ValidBit(vertical)};
    for (int i = 0; i < 4; ++i) {
      if (!valid[i]) {
        TheLog().Print("VBFormat::KolStore: invalid\n");
        return 1;
      }
      if (int r = data.WriteChar(static_cast<char>(codes[i]))) return r;
    }
    return 0;
  }

  if (int r = data.ReadString(name)) return r;
  if (int r = data.ReadInt(fileType)) return r;
  if (int r = data.ReadInt(width)) return r;
  if (int r = data.ReadInt(height)) return r;
  char c[4] = {};
  for (char& code : c)
    if (int r = data.ReadChar(code)) return r;
  // An invalid code keeps the previous value; the others are still taken.
  bool invalid = false;
  if (ValidDepth(c[0])) depth = c[0]; else invalid = true;
  if (ValidOrder(c[1])) order = c[1]; else invalid = true;
  if (ValidBit(c[2])) horizontal = c[2]; else invalid = true;
  if (ValidBit(c[3])) vertical = c[3]; else invalid = true;
  if (invalid) TheLog().Print("VBFormat::KolLoad: invalid\n");
  return 0;
}

void VBFormat::PrintFormat() const {
  static const char* const kDepths[] = {" B00", " B08", " B24", " B32"};
  static const char* const kOrders[] = {" GRAY", " RGB", " BGR"};
  static const char* const kHorizontal[] = {" LEFT", " RIGHT"};
  static const char* const kVertical[] = {" UP", " DOWN"};
  KolLog& log = TheLog();
  log.Print("Format:");
  log.Print(" %dx%d,", width, height);
  log.Print("%s", ValidDepth(depth) ? kDepths[depth] : " ?");
  log.Print("%s", ValidOrder(order) ? kOrders[order] : " ?");
  log.Print("%s", ValidBit(horizontal) ? kHorizontal[horizontal] : " ?");
  log.Print("%s", ValidBit(vertical) ? kVertical[vertical] : " ?");
  log.Print(" [%d %d %d %d]", static_cast<int>(depth), static_cast<int>(order),
            static_cast<int>(horizontal), static_cast<int>(vertical));
  log.Print(" '%s' (%d)\n", name.c_str(), fileType);
}
