#include "drive/SectorRequests.h"

#include "core/CVLMDoc.h"
#include "core/Prompter.h"

namespace vellum {

namespace {
constexpr std::uint32_t kCheckMediaCount = 1;
} // namespace

std::uint32_t SectorRequests::request(DrvFunction function)
{
    regs_.EAX = function;
    regs_.EBX = static_cast<std::uint32_t>(drive_);
    driver_.DrvRequest(regs_);
    return regs_.EAX;
}

std::uint32_t SectorRequests::checkMedia()
{
    regs_.ECX = 0;
    regs_.EDX = kCheckMediaCount;
    regs_.EDI = 0;
    regs_.ESI = 0;
    regs_.Flags = kServiceFailedFlag;
    return request(CheckMedia);
}

std::uint32_t SectorRequests::read(std::uint32_t firstSector, std::uint32_t count)
{
    regs_.ECX = firstSector;
    regs_.EDX = count;
    return request(ReadSectors);
}

std::uint32_t SectorRequests::write(std::uint32_t firstSector, std::uint32_t count)
{
    regs_.ECX = firstSector;
    regs_.EDX = count;
    return request(WriteSectors);
}

std::span<std::uint8_t> SectorRequests::prepareTransfer()
{
    regs_.ECX = 0;
    regs_.EDX = 0;
    request(PrepareTransfer);
    return driver_.DrvMapBuffer();
}

void SectorRequests::endTransfer()
{
    driver_.DrvEndTransfer(regs_);
}

void SectorRequests::releaseDrive()
{
    regs_.EBX = static_cast<std::uint32_t>(drive_);
    driver_.DrvReleaseDrive(regs_);
}

std::uint32_t SectorRequests::lockState()
{
    regs_.EBX = static_cast<std::uint32_t>(drive_);
    driver_.DrvGetLockState(regs_);
    return regs_.EAX;
}

bool SectorRequests::waitForMedia(Prompter& prompter)
{
    for (std::uint32_t status = checkMedia(); status != 0; status = checkMedia())
        if (!retry(prompter, status))
            return false;
    return true;
}

bool SectorRequests::retry(Prompter& prompter, std::uint32_t status)
{
    return prompter.ask(CVLMDoc::statusText(static_cast<int>(status)), Buttons::RetryCancel, Icon::Exclamation) ==
           Answer::Retry;
}

} // namespace vellum
