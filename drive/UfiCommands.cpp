#include "drive/UfiCommands.h"

#include <algorithm>

#include "core/Bpb.h"
#include "core/Bytes.h"

namespace vellum {

namespace {

constexpr std::uint8_t kReadFormatCapacities = 0x23;
constexpr std::uint8_t kReadCapacity = 0x25;
constexpr std::uint8_t kModeSense10 = 0x5A;
constexpr std::uint8_t kFormatUnit = 0x04;

constexpr std::size_t kAllocationLength = 7; // two bytes in every command that reads
constexpr std::uint8_t kAllPages = 0x3F;
// FmtData set, CmpList clear, defect list format 111b.
constexpr std::uint8_t kFormatFlags = 0x17;
constexpr std::size_t kFormatTrack = 2;
constexpr std::size_t kParameterListLength = 7;
// Defect list header: FOV and DCRT (the drive's own check off), one track, the side in bit 0.
constexpr std::uint8_t kFormatOptions = 0xB0;
constexpr std::uint32_t kDescriptorBytes = 8;

// The answer of READ FORMAT CAPACITIES.
constexpr std::size_t kListLength = 3;
constexpr std::size_t kFirstDescriptor = 4;
constexpr std::size_t kDescriptorCode = 4;
constexpr std::size_t kBlockLength = 5;
constexpr std::uint8_t kCodeMask = 0x03;
constexpr std::uint8_t kCodeUnformatted = 1, kCodeFormatted = 2;

constexpr std::size_t kDeviceParameter = 3; // in the MODE SENSE(10) header
constexpr std::uint8_t kWriteProtectBit = 0x80;

UfiCommands::Command reading(std::uint8_t opcode, std::size_t length)
{
    UfiCommands::Command command{opcode};
    putBeN(command, kAllocationLength, 2, static_cast<std::uint32_t>(length));
    return command;
}

} // namespace

UfiCommands::Command UfiCommands::readFormatCapacities()
{
    return reading(kReadFormatCapacities, kCapacityListBytes);
}

UfiCommands::Command UfiCommands::readCapacity()
{
    return Command{kReadCapacity};
}

UfiCommands::Command UfiCommands::modeSense()
{
    Command command = reading(kModeSense10, kModeSenseBytes);
    command[2] = kAllPages;
    return command;
}

UfiCommands::Command UfiCommands::formatUnit(std::uint32_t cylinder)
{
    Command command{kFormatUnit, kFormatFlags};
    command[kFormatTrack] = static_cast<std::uint8_t>(cylinder);
    putBeN(command, kParameterListLength, 2, kFormatParameterBytes);
    return command;
}

std::array<std::uint8_t, UfiCommands::kFormatParameterBytes> UfiCommands::formatParameters(
    const StandardFormat& format, int head)
{
    std::array<std::uint8_t, kFormatParameterBytes> list{};
    list[1] = static_cast<std::uint8_t>(kFormatOptions | (head & 1));
    putBeN(list, 2, 2, kDescriptorBytes);
    putBeN(list, 4, 4, format.totalSectors);
    putBeN(list, 9, 3, kSectorBytes);
    return list;
}

std::optional<UfiCapacity> UfiCommands::capacities(std::span<const std::uint8_t> answer)
{
    if (answer.size() < kFirstDescriptor + kDescriptorBytes)
        return std::nullopt;
    const std::size_t end = std::min(answer.size(), kFirstDescriptor + answer[kListLength]);
    UfiCapacity capacity;
    const std::uint8_t code = answer[kFirstDescriptor + kDescriptorCode] & kCodeMask;
    capacity.medium = code == kCodeFormatted     ? UfiCapacity::Medium::Formatted
                      : code == kCodeUnformatted ? UfiCapacity::Medium::Unformatted
                                                 : UfiCapacity::Medium::None;
    capacity.blocks = beN(answer, kFirstDescriptor, 4);
    capacity.blockLength = beN(answer, kFirstDescriptor + kBlockLength, 3);
    for (std::size_t at = kFirstDescriptor + kDescriptorBytes; at + kDescriptorBytes <= end; at += kDescriptorBytes)
        capacity.formattable.push_back(beN(answer, at, 4));
    return capacity;
}

UfiCapacity UfiCommands::readCapacityAnswer(std::span<const std::uint8_t> answer)
{
    UfiCapacity capacity;
    capacity.medium = UfiCapacity::Medium::Formatted;
    capacity.blocks = beN(answer, 0, 4) + 1; // the answer names the last block
    capacity.blockLength = beN(answer, 4, 4);
    return capacity;
}

bool UfiCommands::writeProtected(std::span<const std::uint8_t> modeSenseAnswer)
{
    return modeSenseAnswer.size() > kDeviceParameter && (modeSenseAnswer[kDeviceParameter] & kWriteProtectBit);
}

} // namespace vellum
