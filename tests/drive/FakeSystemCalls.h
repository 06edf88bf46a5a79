#pragma once
// System calls answered by a scripted floppy drive (or a plain block device,
// or a USB diskette drive answering UFI commands through SG_IO), recording
// what the Linux backend asked for. By default the kernel has no raw
// controller commands, as stock kernels do not.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <linux/fd.h>
#include <linux/fs.h>
#include <scsi/sg.h>
#include <string>
#include <sys/sysmacros.h>
#include <vector>

#include "core/Bytes.h"
#include "drive/SystemCalls.h"

namespace vellum::test {

class FakeSystemCalls : public SystemCalls {
public:
    static constexpr int kFd = 7;

    // The drive.
    bool floppy = true;            // answers the floppy driver's ioctls
    int cmos = 4;                  // 3.5-inch 1.44 MB
    unsigned int minorNumber = 0;  // /dev/fd0
    int openError = 0;             // errno of a read-write open
    bool readOnlyOpenWorks = true; // after EROFS or EACCES
    unsigned long driveFlags = FD_DISK_WRITABLE;
    std::vector<std::uint8_t> medium = std::vector<std::uint8_t>(1474560);
    int transferError = 0; // errno of every pread and pwrite
    int syncError = 0;     // errno of fsync: a write the device failed after taking it
    unsigned detectedSectors = 0; // the size FDGETPRM reports, when not the medium's
    bool rawSupported = false;
    bool changed = false;  // the change line, reset by FDFLUSH when a diskette is in
    bool empty = false;
    // Fills the controller's reply to each raw command; by default all went well.
    std::function<void(floppy_raw_cmd&)> reply = [](floppy_raw_cmd& raw) {
        raw.reply_count = 7;
        raw.reply[0] = 0;
    };

    // The USB diskette drive, when `scsi` is set (and `floppy` is not).
    enum class Diskette { Formatted, Unformatted, None };
    bool scsi = false;
    Diskette diskette = Diskette::Formatted;
    bool formatCapacities = true; // else READ FORMAT CAPACITIES is an ILLEGAL REQUEST
    bool writeProtectBit = false;
    std::vector<std::uint32_t> formattable = {2880, 1440};
    int unplugAfter = -1; // SCSI commands answered before the drive goes away
    struct ScsiCommand {
        std::vector<std::uint8_t> block, dataOut;
    };
    std::vector<ScsiCommand> scsiCommands;

    // What was asked.
    std::vector<std::string> opened;
    std::vector<int> openFlags;
    std::vector<unsigned long> requests;
    std::vector<floppy_raw_cmd> rawCommands;
    std::vector<std::vector<std::uint8_t>> rawData;
    std::vector<floppy_struct> geometries;
    std::vector<unsigned long> resetModes;
    std::vector<format_descr> formattedTracks;
    int writes = 0;
    int closes = 0;
    int syncs = 0;

    int open(const std::string& path, int flags) override
    {
        opened.push_back(path);
        openFlags.push_back(flags);
        const bool writing = (flags & O_ACCMODE) != O_RDONLY;
        if (writing && openError != 0)
            return -openError;
        if (!writing && !readOnlyOpenWorks)
            return -openError;
        return kFd;
    }
    int close(int) override
    {
        ++closes;
        return 0;
    }
    int ioctl(int, unsigned long request, void* arg) override
    {
        requests.push_back(request);
        if (request == FDRAWCMD)
            return rawSupported ? rawCommand(*static_cast<floppy_raw_cmd*>(arg)) : -EOPNOTSUPP;
        if (request == BLKGETSIZE64) {
            *static_cast<std::uint64_t*>(arg) = medium.size();
            return 0;
        }
        if (!floppy)
            return -ENOTTY;
        // The driver keeps these to a device opened for writing.
        if ((request & 0x40) && (openFlags.back() & O_ACCMODE) == O_RDONLY)
            return -EPERM;
        return floppyIoctl(request, arg);
    }
    ssize_t pread(int, void* buffer, std::size_t size, off_t offset) override
    {
        requests.push_back(kRead);
        if (transferError != 0)
            return -transferError;
        if (changed || empty)
            return -EIO;
        if (misaligned(buffer))
            return -EINVAL;

        const std::size_t at = static_cast<std::size_t>(offset);
        const std::size_t n = at >= medium.size() ? 0 : std::min(size, medium.size() - at);
        std::memcpy(buffer, medium.data() + at, n);
        return static_cast<ssize_t>(n);
    }
    ssize_t pwrite(int, const void* buffer, std::size_t size, off_t offset) override
    {
        ++writes;
        requests.push_back(kWrite);
        if (transferError != 0)
            return -transferError;
        if (changed || empty)
            return -EIO;
        if (misaligned(buffer))
            return -EINVAL;
        const std::size_t at = static_cast<std::size_t>(offset);
        if (at + size > medium.size())
            return -ENOSPC;
        std::memcpy(medium.data() + at, buffer, size);
        return static_cast<ssize_t>(size);
    }
    int fsync(int) override
    {
        ++syncs;
        return -syncError;
    }
    int fstat(int, struct stat& st) override
    {
        st = {};
        st.st_mode = S_IFBLK | 0660;
        st.st_rdev = makedev(2, minorNumber);
        return 0;
    }

    int sgIo(int, sg_io_hdr& io) override
    {
        if (!scsi)
            return -ENOTTY;
        if (unplugAfter == 0)
            return -ENODEV;
        --unplugAfter;
        const auto* block = static_cast<const std::uint8_t*>(io.cmdp);
        const auto* out = static_cast<const std::uint8_t*>(io.dxferp);
        const bool writing = io.dxfer_direction == SG_DXFER_TO_DEV;
        scsiCommands.push_back({{block, block + io.cmd_len}, {out, out + (writing ? io.dxfer_len : 0)}});
        ufiAnswer(block[0], io);
        return 0;
    }

    // Not ioctls: where reads and writes fall among the requests.
    static constexpr unsigned long kRead = ~0ul, kWrite = ~1ul;

    bool asked(unsigned long request) const
    {
        return std::find(requests.begin(), requests.end(), request) != requests.end();
    }

private:
    // CHECK CONDITION with fixed-format sense data: the sense key and its code.
    static void check(sg_io_hdr& io, std::uint8_t key, std::uint8_t asc)
    {
        auto* sense = static_cast<std::uint8_t*>(io.sbp);
        sense[0] = 0x70, sense[2] = key, sense[7] = 10, sense[12] = asc;
        io.sb_len_wr = 18;
        io.status = 0x02;
    }
    void ufiAnswer(std::uint8_t opcode, sg_io_hdr& io)
    {
        const std::span<std::uint8_t> in(static_cast<std::uint8_t*>(io.dxferp), io.dxfer_len);
        const auto blocks = static_cast<std::uint32_t>(medium.size() / 512);
        const bool none = diskette == Diskette::None;
        const auto descriptor = [&](std::size_t at, std::uint32_t count, std::uint8_t code) {
            putBeN(in, at, 4, count);
            in[at + 4] = code;
            putBeN(in, at + 5, 3, 512);
        };
        if (opcode == 0x23 && formatCapacities) {
            in[3] = static_cast<std::uint8_t>(8 * (1 + formattable.size()));
            descriptor(4, none ? 2880 : blocks, none ? 3 : diskette == Diskette::Formatted ? 2 : 1);
            for (std::size_t i = 0; i < formattable.size(); ++i)
                descriptor(12 + 8 * i, formattable[i], 0);
        } else if (opcode == 0x23) {
            check(io, 5, 0x20); // ILLEGAL REQUEST
        } else if (none) {
            check(io, 2, 0x3A); // NOT READY: no medium
        } else if (opcode == 0x25 && diskette == Diskette::Unformatted) {
            check(io, 3, 0x30); // MEDIUM ERROR: incompatible medium
        } else if (opcode == 0x25) {
            putBeN(in, 0, 4, blocks - 1);
            putBeN(in, 4, 4, 512);
        } else if (opcode == 0x5A) {
            in[3] = writeProtectBit ? 0x80 : 0;
        } else if (opcode == 0x04 && writeProtectBit) {
            check(io, 7, 0x27); // DATA PROTECT
        } else if (opcode == 0x04) {
            diskette = Diskette::Formatted;
        }
    }
    bool misaligned(const void* buffer) const
    {
        return (openFlags.back() & O_DIRECT) && reinterpret_cast<std::uintptr_t>(buffer) % 512 != 0;
    }
    int rawCommand(floppy_raw_cmd& raw)
    {
        rawCommands.push_back(raw);
        const auto* data = static_cast<const std::uint8_t*>(raw.data);
        rawData.emplace_back(data, data + (data ? raw.length : 0));
        reply(raw);
        return 0;
    }
    int floppyIoctl(unsigned long request, void* arg)
    {
        switch (request) {
        case FDGETDRVPRM: static_cast<floppy_drive_params*>(arg)->cmos = static_cast<signed char>(cmos); return 0;
        case FDGETPRM:
            static_cast<floppy_struct*>(arg)->size =
                detectedSectors ? detectedSectors : static_cast<unsigned>(medium.size() / 512);
            return 0;
        case FDSETPRM: geometries.push_back(*static_cast<floppy_struct*>(arg)); return 0;
        case FDPOLLDRVSTAT:
            static_cast<floppy_drive_struct*>(arg)->flags = driveFlags | ((changed || empty) ? FD_DISK_CHANGED : 0);
            return 0;
        case FDRESET: resetModes.push_back(reinterpret_cast<std::uintptr_t>(arg)); return 0;
        case FDFMTBEG: return 0;
        case FDFMTTRK: formattedTracks.push_back(*static_cast<format_descr*>(arg)); return 0;
        case FDFMTEND:
        case FDFLUSH:
            changed = false;
            return 0;
        default: return -EINVAL;
        }
    }
};

} // namespace vellum::test
