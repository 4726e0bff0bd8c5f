#include "platform/linux/hid_interface_path.h"

#include <cctype>
#include <cstdio>

namespace brisa::platform {

namespace {

char lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// The location is user-controlled on some buses: it must not add path separators or "\KBD".
std::string locationPart(std::string_view location) {
  std::string out;
  for (char c : location) out += (c == '#' || c == '\\') ? '_' : lower(c);
  return out;
}

}  // namespace

std::string canonicalInterfacePath(std::string_view path) {
  static constexpr std::string_view kKbd = "\\kbd";
  std::string out;
  for (std::size_t at = 0; at < path.size();) {
    bool kbd = at + kKbd.size() <= path.size();
    for (std::size_t i = 0; kbd && i < kKbd.size(); ++i) kbd = lower(path[at + i]) == kKbd[i];
    if (kbd) {
      at += kKbd.size();
    } else {
      out += lower(path[at++]);
    }
  }
  return out;
}

std::string hidInterfacePath(const HidPathParts& parts) {
  char head[96];
  const unsigned vid = parts.vendorId;
  const unsigned pid = parts.productId;
  switch (parts.bus) {
    case HidBus::BluetoothLowEnergy:
      std::snprintf(head, sizeof head,
                    "hid#{00001812-0000-1000-8000-00805f9b34fb}_dev_vid&02%04x_pid&%04x", vid, pid);
      break;
    case HidBus::BluetoothClassic:
      std::snprintf(head, sizeof head,
                    "hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&0002%04x_pid&%04x", vid, pid);
      break;
    case HidBus::Usb:
    case HidBus::Other:
      std::snprintf(head, sizeof head, "hid#vid_%04x&pid_%04x", vid, pid);
      break;
  }
  std::string path = head;
  if (parts.collectionCount > 1) {
    char col[16];
    std::snprintf(col, sizeof col, "&col%02zu", parts.collection + 1);
    path += col;
  }
  path += '#';
  path += locationPart(parts.location);
  if (parts.keyboard) path += "\\KBD";
  return path;
}

bool sameInterfacePath(std::string_view a, std::string_view b) {
  return canonicalInterfacePath(a) == canonicalInterfacePath(b);
}

}  // namespace brisa::platform
