#include "core/TrackPool.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace vellum {

unsigned TrackPool::threadsFor(std::size_t tracks)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const auto byTracks = static_cast<unsigned>(std::max<std::size_t>(1, tracks / kMinTracksPerThread));
    return std::min({cores, kMaxThreads, byTracks});
}

void TrackPool::run(std::size_t tracks, const WorkerFactory& makeWorker)
{
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr firstError;
    std::mutex errorLock;
    const auto work = [&] {
        try {
            const Worker worker = makeWorker();
            for (std::size_t t = next++; t < tracks && !failed; t = next++)
                worker(t);
        } catch (...) {
            const std::scoped_lock lock(errorLock);
            if (!firstError)
                firstError = std::current_exception();
            failed = true;
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (unsigned i = 1; i < threadsFor(tracks); ++i)
            helpers.emplace_back(work);
        work();
    } // the helpers join here
    if (firstError)
        std::rethrow_exception(firstError);
}

} // namespace vellum
