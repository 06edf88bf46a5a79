#pragma once
// An exclusive lock on a file that is read, changed and replaced in place,
// held from before it is read until after it is replaced, so two programs
// changing one image never lose each other's change. It is flock on the file
// itself: replacing the file gives its path a new inode, so a waiter that
// gets the old inode's lock lets it go and locks the path's new file.
#include <filesystem>
#include <functional>

namespace vellum {

class FileLock {
public:
    // Waits until the file is this process's alone; `waiting` is called once
    // first when another process holds it. A file that cannot be opened is
    // not locked: whatever reads it next tells why it cannot be read.
    FileLock(const std::filesystem::path& path, const std::function<void()>& waiting);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

} // namespace vellum
