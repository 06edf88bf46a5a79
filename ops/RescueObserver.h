#pragma once
// What a rescue tells the front end besides its Progress window: the
// diskette's layout, each sector's state as it changes, and where each pass
// begins and ends. The desktop program draws a grid of sectors from it, vlm
// prints the count of each pass, tests record it. Every call comes from the
// thread the rescue runs on, between two reads; an observer that shows
// nothing of a kind leaves its call as it is.
//
//   layout(cylinders, sectorsPerTrack)     once, when the diskette is known
//   sectorsChanged(first, count, Untried/Read/Bad)   each run of sectors as the map knows it
//   passStarted(1, passes)
//     sectorsChanged(first, count, Read or Bad)   per track read whole
//   passEnded(1, unread)
//   passStarted(2, passes)
//     sectorsChanged(s, 1, Retrying), then (s, 1, Read or Bad)   per sector
//   ...
#include <cstdint>

namespace vellum {

enum class SectorState { Untried, Read, Retrying, Bad };

class RescueObserver {
public:
    virtual ~RescueObserver() = default;

    // Two heads a cylinder; sector s lies on cylinder s / (2 * sectorsPerTrack).
    virtual void layout(std::uint32_t /*cylinders*/, std::uint32_t /*sectorsPerTrack*/) {}
    virtual void sectorsChanged(std::uint32_t /*first*/, std::uint32_t /*count*/, SectorState /*state*/) {}
    // Passes count from 1; a pass with nothing left to read still starts and ends.
    virtual void passStarted(int /*pass*/, int /*passes*/) {}
    // Only a pass that ran to its end; `unread` sectors are still not read.
    virtual void passEnded(int /*pass*/, std::uint32_t /*unread*/) {}
};

} // namespace vellum
