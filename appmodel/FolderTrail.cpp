#include "appmodel/FolderTrail.h"

#include "core/CVLMDoc.h"
#include "core/Fat12Reader.h"

namespace vellum {

std::string FolderTrail::enter(std::size_t slot, const std::string& name)
{
    std::string warning = Fat12Reader(doc_, prompter_).enterDirectory(slot).warning;
    names_.push_back(name);
    return warning;
}

std::string FolderTrail::leave()
{
    if (doc_.directory.depth == 0)
        return {};
    std::string warning = Fat12Reader(doc_, prompter_).leaveDirectory().warning;
    if (!names_.empty()) {
        reselect_ = names_.back();
        names_.pop_back();
    }
    return warning;
}

std::string FolderTrail::joined(char separator) const
{
    std::string path;
    for (const std::string& name : names_)
        path += separator + name;
    return path;
}

std::string FolderTrail::line() const
{
    return names_.empty() ? "\\" : joined('\\');
}

std::string FolderTrail::header() const
{
    return joined('/') + '/';
}

std::string FolderTrail::onDiskette(const std::string& name) const
{
    const std::string folder = joined('\\');
    return (folder.empty() ? folder : folder.substr(1) + '\\') + name;
}

} // namespace vellum
