#pragma once
// Runs independent per-track work on a few threads. Each thread makes its
// own worker (its buffers and coder tables) and then takes the next track no
// other thread has taken, so tracks of uneven cost share out by themselves.
#include <cstddef>
#include <functional>

namespace vellum {

class TrackPool {
public:
    using Worker = std::function<void(std::size_t track)>;
    using WorkerFactory = std::function<Worker()>;

    // Threads for `tracks` tracks: the host's cores, but no more than
    // kMaxThreads and never more than one per kMinTracksPerThread tracks.
    static unsigned threadsFor(std::size_t tracks);

    // Calls a worker for every track in 0..tracks-1 on threadsFor(tracks)
    // threads, the caller's own among them, and returns when all are done.
    // The first exception a worker throws is thrown here once all stopped.
    static void run(std::size_t tracks, const WorkerFactory& makeWorker);

private:
    static constexpr unsigned kMaxThreads = 4;
    static constexpr std::size_t kMinTracksPerThread = 8;
};

} // namespace vellum
