#include "platform/gatt.h"

namespace brisa::platform {

GattUuid GattUuid::longFormOf(std::uint16_t id) {
  // 0000xxxx-0000-1000-8000-00805f9b34fb, most significant byte first.
  GattUuid uuid{false,
                0,
                {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B,
                 0x34, 0xFB}};
  uuid.longUuid[2] = static_cast<std::uint8_t>(id >> 8);
  uuid.longUuid[3] = static_cast<std::uint8_t>(id & 0xFF);
  return uuid;
}

Guid toGuid(const GattUuid& uuid) {
  if (uuid.isShortUuid) return Guid::fromShortUuid(uuid.shortUuid);
  const auto& b = uuid.longUuid;
  Guid g;
  g.data1 =
      (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
  g.data2 = static_cast<std::uint16_t>((b[4] << 8) | b[5]);
  g.data3 = static_cast<std::uint16_t>((b[6] << 8) | b[7]);
  for (std::size_t i = 0; i < 8; ++i) g.data4[i] = b[8 + i];
  return g;
}

}  // namespace brisa::platform
