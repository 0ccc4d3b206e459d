#include "core/count_kernel.h"

#include "core/count_kernel_batch.h"

#include <xmmintrin.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace vantorel {
namespace {

using kernel::Batch;
using kernel::KernelFunction;

// MXCSR bits that change what a double operation gives: flush-to-zero,
// denormals-are-zero and the rounding control. The exception masks matter
// too: lanes whose point has escaped keep iterating until the lanes are next
// looked at and may overflow, which must not trap.
constexpr unsigned FlushToZero = 0x8000;
constexpr unsigned DenormalsAreZero = 0x0040;
constexpr unsigned RoundingControl = 0x6000;
constexpr unsigned ExceptionMasks = 0x1F80;

std::atomic<unsigned> callerMxcsr{0}, callerRanWith{0}, workerRanWith{0};
std::atomic<long> workerBatches{0};

// Runs a kernel with round-to-nearest, no flush-to-zero, no
// denormals-are-zero and every exception masked, whatever the thread had,
// and gives the thread its own control word and flags back afterwards. Returns the
// control word the kernel ran with.
unsigned runExact(KernelFunction run, const Batch& batch)
{
    const unsigned had = _mm_getcsr();
    const unsigned exact = (had | ExceptionMasks) & ~(FlushToZero | DenormalsAreZero | RoundingControl);
    if (had != exact)
        _mm_setcsr(exact);
    const unsigned ranWith = _mm_getcsr();
    run(batch);
    // Also clears the exception flags that idle lanes may have raised, so
    // the thread's flags say what they said before.
    _mm_setcsr(had);
    return ranWith;
}

bool hasAvx512()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f");
}

bool hasAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

KernelFunction fastestKernel()
{
    static const KernelFunction best = hasAvx512() ? &kernel::runAvx512
                                       : hasAvx2() ? &kernel::runAvx2
                                                   : &kernel::runScalar;
    return best;
}

std::atomic<KernelFunction> chosenKernel{nullptr};

KernelFunction bestKernel()
{
    const KernelFunction chosen = chosenKernel.load(std::memory_order_relaxed);
    return chosen ? chosen : fastestKernel();
}

// Points are handed out in small runs so that two threads rarely touch the
// shared counter.
constexpr int PointsPerClaim = 8;

struct SharedFeed {
    std::atomic<int> claimed{0};
    int total = 0;
};

struct Feed {
    SharedFeed* shared = nullptr;  // null: this thread counts every point
    int next = 0, end = 0;
};

int nextPoint(void* ctx)
{
    Feed& feed = *static_cast<Feed*>(ctx);
    if (feed.next == feed.end) {
        if (!feed.shared)
            return -1;
        const int first = feed.shared->claimed.fetch_add(PointsPerClaim, std::memory_order_relaxed);
        if (first >= feed.shared->total)
            return -1;
        feed.next = first;
        feed.end = first + PointsPerClaim < feed.shared->total ? first + PointsPerClaim : feed.shared->total;
    }
    return feed.next++;
}

// The second thread that shares the points of large batches. Created on
// first use and kept for the rest of the run; it only ever counts: the event
// pump and every handler stay on the user-interface thread, which waits for
// the worker before it uses the counts.
class Worker {
public:
    Worker() : thread_([this] { loop(); }) {}
    ~Worker()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    // Counts the batch on both threads and returns when every point is done.
    void share(KernelFunction run, const Batch& batch, SharedFeed& shared)
    {
        {
            std::lock_guard lock(mutex_);
            run_ = run;
            batch_ = batch;
            shared_ = &shared;
            ++posted_;
        }
        wake_.notify_one();

        Feed mine{&shared};
        Batch own = batch;
        own.ctx = &mine;
        double ownRounds = 0;
        own.roundsRun = &ownRounds;
        callerRanWith.store(runExact(run, own), std::memory_order_relaxed);
        *batch.roundsRun = ownRounds;

        std::unique_lock lock(mutex_);
        if (taken_ != posted_) {
            // The worker has not woken up yet (on a busy machine it may wait
            // for a core): every point is done, so withdraw the batch rather
            // than wait for it.
            taken_ = finished_ = posted_;
            return;
        }
        done_.wait(lock, [this] { return finished_ == posted_; });
        *batch.roundsRun += workerRounds_;
    }

private:
    void loop()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || taken_ != posted_; });
            if (stopping_)
                return;
            taken_ = posted_;
            Feed mine{shared_};
            Batch own = batch_;
            own.ctx = &mine;
            double rounds = 0;
            own.roundsRun = &rounds;
            const KernelFunction run = run_;
            lock.unlock();
            workerRanWith.store(runExact(run, own), std::memory_order_relaxed);
            workerBatches.fetch_add(1, std::memory_order_relaxed);
            lock.lock();
            workerRounds_ = rounds;
            finished_ = taken_;
            done_.notify_one();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    KernelFunction run_ = nullptr;
    Batch batch_{};
    SharedFeed* shared_ = nullptr;
    long posted_ = 0, taken_ = 0, finished_ = 0;
    double workerRounds_ = 0;
    bool stopping_ = false;
    std::thread thread_;  // last: starts after the members it uses exist
};

// Below this much work (rounds of all points together) waking the worker
// costs more than it saves: about a third of a millisecond of one thread.
std::atomic<long long> threadingThreshold{1 << 21};

// Rounds per point of the last batch: neighbouring columns cost about the
// same, so it predicts the work of the next batch far better than the limit.
double lastRoundsPerPoint = -1;

std::atomic<CountPath> currentPath{CountPath::Fast};

} // namespace

CountBound countBound(float maxIterations, int calcStep)
{
    // The bookkeeping of escapeCount's loop for a point that never escapes.
    int n = 0, rounds = 0;
    while (!(static_cast<float>(n) > maxIterations)) {
        ++rounds;
        n += calcStep;
        if (n > 32767) {
            n = 32767;
            break;
        }
    }
    return {rounds, static_cast<std::int16_t>(n)};
}

void escapeCounts(const double* cRe, const double* cIm, std::int16_t* counts, int n, float maxIterations,
                  int calcStep)
{
    if (calcStep < 1)
        throw std::invalid_argument("escapeCounts needs a step of at least 1");
    if (n <= 0)
        return;
    // The bound is the same for every column until the limit or step
    // changes; walking the counter to 30000 each time would cost more than
    // some columns.
    static float boundLimit = std::numeric_limits<float>::quiet_NaN();
    static int boundStep = 0;
    static CountBound bound{};
    if (calcStep != boundStep || std::memcmp(&maxIterations, &boundLimit, sizeof boundLimit) != 0) {
        bound = countBound(maxIterations, calcStep);
        boundLimit = maxIterations;
        boundStep = calcStep;
    }
    if (bound.rounds == 0) {
        // The counter is past the limit before the first test.
        for (int i = 0; i < n; ++i)
            counts[i] = bound.count;
        return;
    }
    callerMxcsr.store(_mm_getcsr(), std::memory_order_relaxed);

    const KernelFunction run = bestKernel();
    double roundsRun = 0;
    Batch batch{cRe, cIm, counts, bound.rounds, bound.count, calcStep, &nextPoint, nullptr, &roundsRun};
    const long long threshold = threadingThreshold.load(std::memory_order_relaxed);
    const double perPoint = lastRoundsPerPoint >= 0 ? lastRoundsPerPoint : bound.rounds;
    if (threshold > 0 && n * perPoint >= static_cast<double>(threshold) && n >= 2 * PointsPerClaim) {
        static Worker worker;
        SharedFeed shared;
        shared.total = n;
        worker.share(run, batch, shared);
    } else {
        Feed all{nullptr, 0, n};
        batch.ctx = &all;
        callerRanWith.store(runExact(run, batch), std::memory_order_relaxed);
    }
    lastRoundsPerPoint = roundsRun / n;
}

const char* countKernelName()
{
    const KernelFunction run = bestKernel();
    if (run == &kernel::runAvx512)
        return "avx512";
    if (run == &kernel::runAvx2)
        return "avx2";
    return "scalar";
}

bool selectCountKernel(const char* name)
{
    const std::string_view n = name ? name : "";
    if (n.empty())
        chosenKernel.store(nullptr);
    else if (n == "avx512" && hasAvx512())
        chosenKernel.store(&kernel::runAvx512);
    else if (n == "avx2" && hasAvx2())
        chosenKernel.store(&kernel::runAvx2);
    else if (n == "scalar")
        chosenKernel.store(&kernel::runScalar);
    else
        return false;
    return true;
}

void setCountPath(CountPath path) { currentPath.store(path); }
CountPath countPath() { return currentPath.load(std::memory_order_relaxed); }

void setThreadingThreshold(long long work) { threadingThreshold.store(work); }

FpControlReport fpControlReport()
{
    return {callerMxcsr.load(), callerRanWith.load(), workerRanWith.load(), workerBatches.load()};
}

bool fpControlIsExact(unsigned mxcsr)
{
    return (mxcsr & (FlushToZero | DenormalsAreZero | RoundingControl)) == 0;
}

} // namespace vantorel
