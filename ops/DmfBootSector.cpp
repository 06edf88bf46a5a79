#include "ops/DmfBootSector.h"

#include <algorithm>

#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/StandardFormats.h"
#include "ops/VolumeLabel.h"

namespace vellum {

namespace {

constexpr std::array<std::uint8_t, 3> kJump = {0xEB, 0x3C, 0x90}; // to the boot program at 62, NOP
constexpr std::string_view kOemName = "PELLORA ";
constexpr std::string_view kFileSystem = "FAT12   ";
constexpr std::size_t kOemOffset = 3;
constexpr std::size_t kFileSystemOffset = 54;
constexpr std::size_t kProgramOffset = 62;
constexpr std::size_t kSignatureOffset = 510;
constexpr std::uint8_t kExtendedSignature = 0x29;
constexpr std::size_t kExtendedSignatureOffset = 38;
constexpr std::uint8_t kReservedFatBits = 0xFF; // FAT bytes 1 and 2, after the media descriptor
constexpr std::uint8_t kLabelAttributes = 0x28; // volume label and archive


// Real-mode code run at 0000:7C3E. It prints the NUL-terminated message at
// 7D9E through the video BIOS, waits for a key and asks the BIOS to restart
// the boot:
//   cli; xor ax,ax; mov ds,ax; mov ss,ax; mov sp,7C00h; sti; mov si,7D9Eh; cld
//   next: lodsb; test al,al; jz key; mov ah,0Eh; mov bx,7; int 10h; jmp next
//   key:  xor ax,ax; int 16h; int 19h
constexpr std::array<std::uint8_t, 35> kBootCode = {
    0xFA, 0x31, 0xC0, 0x8E, 0xD8, 0x8E, 0xD0, 0xBC, 0x00, 0x7C, 0xFB, 0xBE, 0x9E, 0x7D, 0xFC, 0xAC, 0x84, 0xC0,
    0x74, 0x09, 0xB4, 0x0E, 0xBB, 0x07, 0x00, 0xCD, 0x10, 0xEB, 0xF2, 0x31, 0xC0, 0xCD, 0x16, 0xCD, 0x19,
};
constexpr std::string_view kMessage = "\r\nNon-System disk or disk error\r\nReplace and press any key when ready\r\n";
constexpr std::string_view kSystemFiles = "IO      SYSMSDOS   SYS";
constexpr std::size_t kSystemFilesOffset = 486;

void putText(std::span<std::uint8_t> at, std::string_view text)
{
    std::copy(text.begin(), text.end(), at.begin());
}

// The 11-byte label field or name: blanks with the label over their start.
void putLabel(std::span<std::uint8_t> field, std::string_view label)
{
    std::fill_n(field.begin(), kVolumeLabelLength, ' ');
    putText(field, label.substr(0, kVolumeLabelLength));
}

} // namespace

DmfBootSector::Sector DmfBootSector::build(std::string_view label, std::uint16_t dosTime, std::uint16_t dosDate)
{
    return build(standardFormat(kFormatCodeDmf).bpb(), label, dosTime, dosDate);
}

DmfBootSector::Sector DmfBootSector::build(const Bpb& bpb, std::string_view label, std::uint16_t dosTime,
                                           std::uint16_t dosDate)
{
    Sector s{};
    std::copy(kJump.begin(), kJump.end(), s.begin());
    putText(std::span(s).subspan(kOemOffset), kOemName);
    bpb.writeTo(s);
    s[kExtendedSignatureOffset] = kExtendedSignature;
    if (!label.empty())
        putLe32(s, kSerialOffset, static_cast<std::uint32_t>(dosDate) << 16 | dosTime);
    // A blank label field reads as damage to fsck.fat; unlabelled volumes say "NO NAME".
    putLabel(std::span(s).subspan(kLabelOffset), label.empty() ? VolumeLabel::kBootNoName : label);
    putText(std::span(s).subspan(kFileSystemOffset), kFileSystem);
    putBootProgram(s);
    s[kSignatureOffset] = 0x55;
    s[kSignatureOffset + 1] = 0xAA;
    return s;
}

DmfBootSector::SystemArea DmfBootSector::systemArea(std::string_view label, std::uint16_t dosTime,
                                                    std::uint16_t dosDate)
{
    SystemArea area{};
    putSystemArea(area, standardFormat(kFormatCodeDmf).bpb(), label, dosTime, dosDate);
    return area;
}

void DmfBootSector::putSystemArea(std::span<std::uint8_t> image, const Bpb& bpb, std::string_view label,
                                  std::uint16_t dosTime, std::uint16_t dosDate)
{
    const Sector boot = build(bpb, label, dosTime, dosDate);
    std::copy(boot.begin(), boot.end(), image.begin());
    const DriveGeometry g = DriveGeometry::from(bpb, 0);
    const AreaPointers areas = AreaPointers::from(g);
    for (std::size_t fat = 0; fat < bpb.numberOfFats; ++fat) {
        const auto start = image.subspan(areas.fat1 + fat * g.fatBytes());
        start[0] = bpb.mediaDescriptor;
        start[1] = start[2] = kReservedFatBits;
    }
    if (!label.empty())
        putLabelEntry(image.subspan(areas.rootDirectory), label, dosTime, dosDate);
}

void DmfBootSector::putBootProgram(std::span<std::uint8_t> sector)
{
    std::copy(kBootCode.begin(), kBootCode.end(), sector.begin() + kProgramOffset);
    putText(sector.subspan(kMessageOffset), kMessage);
    putText(sector.subspan(kSystemFilesOffset), kSystemFiles);
}

void DmfBootSector::putLabelEntry(std::span<std::uint8_t> entry, std::string_view label, std::uint16_t dosTime,
                                  std::uint16_t dosDate)
{
    putLabel(entry, label);
    entry[dirent::kAttributeOffset] = kLabelAttributes;
    putLe16(entry, dirent::kTimeOffset, dosTime);
    putLe16(entry, dirent::kDateOffset, dosDate);
}

} // namespace vellum
