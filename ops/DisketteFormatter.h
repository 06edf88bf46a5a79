#pragma once
// Formats the diskette in a drive for the image in memory, as the copy does
// when it finds an unformatted diskette or is told to format first. True
// when the diskette was formatted; on failure the user has been told why.
namespace vellum {

class DisketteFormatter {
public:
    virtual ~DisketteFormatter() = default;
    virtual bool formatDiskette(int drive) = 0;
};

} // namespace vellum
