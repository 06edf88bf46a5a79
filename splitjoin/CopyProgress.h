#pragma once
// Progress of copying pieces, rendered by the Split and Join pages' bars and
// "Files created:" list, by vlm's terminal line, and recorded by tests.
#include <string>

namespace vellum {

class CopyProgress {
public:
    virtual ~CopyProgress() = default;
    // The bar shows while this piece is written (split) or read (join).
    virtual void started(const std::string& piece) = 0;
    virtual void advanced(int percent) = 0;
    // A piece file is complete (split only).
    virtual void created(const std::string& piece) = 0;
    // The bar hides.
    virtual void ended() = 0;
    // Asked after every block; true stops the work and takes back what it wrote.
    virtual bool cancelRequested() { return false; }
};

} // namespace vellum
