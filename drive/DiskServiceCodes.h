#pragma once
// The function numbers of the DOS and BIOS disk services: the drive services
// pack them into the registers and the emulation of the services decodes them.
#include <cstdint>

namespace vellum::disk_service {

// DOS: AX = 440Dh generic IOCTL for block devices, CH = the disk category,
// CL = the minor code.
inline constexpr std::uint16_t kIoctlGenericBlock = 0x440D;
inline constexpr std::uint8_t kDiskCategory = 0x08;
inline constexpr std::uint8_t kGetDeviceParameters = 0x60;
inline constexpr std::uint8_t kGetLockLevel = 0x70;
inline constexpr std::uint8_t kLockPhysical = 0x4B;
inline constexpr std::uint8_t kUnlockPhysical = 0x6B;
// The lock level AX holds when no lock is held.
inline constexpr std::uint16_t kNotLocked = 0xFFFF;

inline constexpr std::uint16_t kResetDrive = 0x710D;
inline constexpr std::uint16_t kExtendedDiskIo = 0x7305;
// CX of an absolute read and ECX of an extended one: the request is a packet.
inline constexpr std::uint32_t kPacketForm16 = 0xFFFF;
inline constexpr std::uint32_t kPacketForm32 = 0xFFFFFFFF;
// SI bit 0 of extended disk I/O.
inline constexpr std::uint32_t kWriteFlag = 0x0001;

// BIOS INT 13h functions, in AH.
inline constexpr std::uint8_t kBiosReset = 0x00;
inline constexpr std::uint8_t kBiosWrite = 0x03;
inline constexpr std::uint8_t kBiosSetMediaType = 0x18;

} // namespace vellum::disk_service
