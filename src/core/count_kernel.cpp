#include "core/count_kernel.h"

#include "core/count_kernel_batch.h"

#include <pthread.h>
#include <sched.h>
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

// The points of an escapeCounts call, for one or two threads.
struct ArrayPoints {
    const double* cRe;
    const double* cIm;
    std::int16_t* counts;
    std::atomic<int> claimed{0};
    int total = 0;
};

struct ArrayFeed {
    ArrayPoints* points;
    bool shared;  // false: this thread counts every point
    int next = 0, end = 0;
};

int nextArrayPoint(void* ctx, double* cRe, double* cIm)
{
    ArrayFeed& feed = *static_cast<ArrayFeed*>(ctx);
    if (feed.next == feed.end) {
        ArrayPoints& all = *feed.points;
        const int first = feed.shared ? all.claimed.fetch_add(PointsPerClaim, std::memory_order_relaxed)
                                      : all.claimed.exchange(all.total, std::memory_order_relaxed);
        if (first >= all.total)
            return -1;
        feed.next = first;
        feed.end = feed.shared && first + PointsPerClaim < all.total ? first + PointsPerClaim : all.total;
    }
    const int i = feed.next++;
    *cRe = feed.points->cRe[i];
    *cIm = feed.points->cIm[i];
    return i;
}

void deliverToArray(void* ctx, int id, std::int16_t count) { static_cast<ArrayFeed*>(ctx)->points->counts[id] = count; }

bool never(void*) { return false; }

std::atomic<double> roundsCounted{0};

void addRounds(double rounds)
{
    double seen = roundsCounted.load(std::memory_order_relaxed);
    while (!roundsCounted.compare_exchange_weak(seen, seen + rounds, std::memory_order_relaxed)) {}
}

// Puts a thread just created onto another core than the one its creator
// runs on, and lets it run anywhere again from there. A new thread is queued
// on its creator's core; on a machine whose cores share no cache (as virtual
// machines often report them) the scheduler left it waiting there for about
// 3 ms while the other core idled (perf sched timehist), which is half of a
// default picture. From its own core the worker is woken there again while
// that core is idle.
void startOnAnotherCore(pthread_t thread)
{
    const int creatorCore = sched_getcpu();
    cpu_set_t allowed;
    if (creatorCore < 0 || creatorCore >= CPU_SETSIZE || pthread_getaffinity_np(thread, sizeof allowed, &allowed) != 0)
        return;
    cpu_set_t others = allowed;
    CPU_CLR(creatorCore, &others);
    if (CPU_COUNT(&others) == 0)
        return;
    if (pthread_setaffinity_np(thread, sizeof others, &others) == 0)
        pthread_setaffinity_np(thread, sizeof allowed, &allowed);
}

// The second thread. Created on first use and kept for the rest of the run;
// it only ever counts: the event pump and every handler stay on the
// user-interface thread. It runs one batch at a time, either a share of an
// escapeCounts call (the caller waits for it) or the points a plotting pass
// will need next (the caller goes on and takes the counts as they come).
class Worker {
public:
    Worker() : thread([this] { loop(); }) { startOnAnotherCore(thread.native_handle()); }
    ~Worker()
    {
        {
            std::lock_guard lock(mutex);
            stopping = true;
            stopRequested.store(true, std::memory_order_relaxed);  // a batch in progress ends early
        }
        wake.notify_one();
        thread.join();
    }

    // Hands the worker a batch and returns at once. The feed is used as it
    // is, with a stop request added to its enough.
    void post(KernelFunction run, const Batch& batch)
    {
        {
            std::lock_guard lock(mutex);
            postedKernel = run;
            postedBatch = batch;
            stopRequested.store(false, std::memory_order_relaxed);
            inProgress.store(true, std::memory_order_relaxed);
            ++posted;
        }
        wake.notify_one();
    }

    // Asks the worker to stop its batch between two blocks of rounds and
    // returns once it no longer uses the feed. Its lanes drop the points
    // they hold. A batch the worker has not begun (on a busy machine it may
    // wait for a core) is withdrawn instead.
    void stop() { finish(true); }

    // Waits until the batch is done, or withdraws it if the worker has not
    // begun it. Returns the rounds the worker ran.
    double finish(bool stopEarly)
    {
        std::unique_lock lock(mutex);
        if (taken != posted) {
            taken = finished = posted;
            inProgress.store(false, std::memory_order_release);
            return 0;
        }
        if (stopEarly)
            stopRequested.store(true, std::memory_order_relaxed);
        done.wait(lock, [this] { return finished == posted; });
        return lastRounds;
    }

    // Whether a posted batch is not finished yet. When it reads false, every
    // count the batch delivered is visible to the reader.
    bool busy() const { return inProgress.load(std::memory_order_acquire); }

private:
    static bool enoughOrStopped(void* ctx)
    {
        Worker& w = *static_cast<Worker*>(ctx);
        return w.stopRequested.load(std::memory_order_relaxed) || w.innerEnough(w.innerCtx);
    }
    static int forwardNext(void* ctx, double* cRe, double* cIm)
    {
        Worker& w = *static_cast<Worker*>(ctx);
        return w.innerNext(w.innerCtx, cRe, cIm);
    }
    static void forwardDeliver(void* ctx, int id, std::int16_t count)
    {
        Worker& w = *static_cast<Worker*>(ctx);
        w.innerDeliver(w.innerCtx, id, count);
    }

    void loop()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || taken != posted; });
            if (stopping)
                return;
            taken = posted;
            Batch own = postedBatch;
            innerNext = own.feed.next;
            innerDeliver = own.feed.deliver;
            innerEnough = own.feed.enough;
            innerCtx = own.feed.ctx;
            own.feed = {&forwardNext, &forwardDeliver, &enoughOrStopped, this};
            own.lanes = nullptr;  // its lanes end every batch empty (or dropped)
            double rounds = 0;
            own.roundsRun = &rounds;
            const KernelFunction run = postedKernel;
            lock.unlock();
            workerRanWith.store(runExact(run, own), std::memory_order_relaxed);
            workerBatches.fetch_add(1, std::memory_order_relaxed);
            addRounds(rounds);
            lock.lock();
            lastRounds = rounds;
            finished = taken;
            inProgress.store(false, std::memory_order_release);
            done.notify_all();
        }
    }

    std::mutex mutex;
    std::condition_variable wake, done;
    KernelFunction postedKernel = nullptr;
    Batch postedBatch{};
    int (*innerNext)(void*, double*, double*) = nullptr;
    void (*innerDeliver)(void*, int, std::int16_t) = nullptr;
    bool (*innerEnough)(void*) = nullptr;
    void* innerCtx = nullptr;
    std::atomic<bool> stopRequested{false}, inProgress{false};
    long posted = 0, taken = 0, finished = 0;
    double lastRounds = 0;
    bool stopping = false;
    std::thread thread;  // last: starts after the members it uses exist
};

std::atomic<bool> workerStarted{false};

// The worker, started on first use (a pass at shallow limits never needs it).
Worker& worker()
{
    static Worker w;
    workerStarted.store(true, std::memory_order_relaxed);
    return w;
}

bool workerBusy() { return workerStarted.load(std::memory_order_relaxed) && worker().busy(); }

// Below this much work (rounds of all points together) waking the worker
// costs more than it saves: about a third of a millisecond of one thread.
std::atomic<long long> threadingThreshold{1 << 21};

// Rounds per point of the last batch: neighbouring columns cost about the
// same, so it predicts the work of the next batch far better than the limit.
double lastRoundsPerPoint = -1;

std::atomic<CountPath> currentPath{CountPath::Fast};

// The loop's bookkeeping for the limit and step, kept while they stay the
// same: walking the counter to 30000 each time would cost more than some
// columns.
// One per thread: pictures are also counted on threads of their own
// (countFromFeed).
const CountBound& boundFor(float maxIterations, int calcStep)
{
    thread_local float boundLimit = std::numeric_limits<float>::quiet_NaN();
    thread_local int boundStep = 0;
    thread_local CountBound bound{};
    if (calcStep != boundStep || std::memcmp(&maxIterations, &boundLimit, sizeof boundLimit) != 0) {
        bound = countBound(maxIterations, calcStep);
        boundLimit = maxIterations;
        boundStep = calcStep;
    }
    return bound;
}

}  // namespace

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

void escapeCounts(const double* cRe, const double* cIm, std::int16_t* counts, int n, float maxIterations, int calcStep)
{
    if (calcStep < 1)
        throw std::invalid_argument("escapeCounts needs a step of at least 1");
    if (n <= 0)
        return;
    const CountBound bound = boundFor(maxIterations, calcStep);
    if (bound.rounds == 0) {
        // The counter is past the limit before the first test.
        for (int i = 0; i < n; ++i)
            counts[i] = bound.count;
        return;
    }
    callerMxcsr.store(_mm_getcsr(), std::memory_order_relaxed);

    const KernelFunction run = bestKernel();
    ArrayPoints points{cRe, cIm, counts};
    points.total = n;
    double roundsRun = 0;
    const long long threshold = threadingThreshold.load(std::memory_order_relaxed);
    const double perPoint = lastRoundsPerPoint >= 0 ? lastRoundsPerPoint : bound.rounds;
    // The worker shares large batches, unless it is counting ahead for a
    // plotting pass.
    const bool share =
        threshold > 0 && n * perPoint >= static_cast<double>(threshold) && n >= 2 * PointsPerClaim && !workerBusy();
    ArrayFeed mine{&points, share};
    Batch batch{bound.rounds, bound.count, calcStep, {&nextArrayPoint, &deliverToArray, &never, &mine},
                nullptr,      &roundsRun};
    ArrayFeed theirs{&points, true};
    if (share) {
        Batch shared = batch;
        shared.feed.ctx = &theirs;
        worker().post(run, shared);
    }
    callerRanWith.store(runExact(run, batch), std::memory_order_relaxed);
    addRounds(roundsRun);
    if (share)
        roundsRun += worker().finish(false);
    lastRoundsPerPoint = roundsRun / n;
}

void countFromFeed(const kernel::Feed& feed, kernel::LaneState& lanes, float maxIterations, int calcStep,
                   KernelFunction kernel)
{
    if (calcStep < 1)
        throw std::invalid_argument("countFromFeed needs a step of at least 1");
    const CountBound bound = boundFor(maxIterations, calcStep);
    if (bound.rounds == 0) {
        // The counter is past the limit before the first test.
        double cRe, cIm;
        for (int id; (id = feed.next(feed.ctx, &cRe, &cIm)) >= 0;)
            feed.deliver(feed.ctx, id, bound.count);
        return;
    }
    callerMxcsr.store(_mm_getcsr(), std::memory_order_relaxed);
    double roundsRun = 0;
    const Batch batch{bound.rounds, bound.count, calcStep, feed, &lanes, &roundsRun};
    callerRanWith.store(runExact(kernel ? kernel : bestKernel(), batch), std::memory_order_relaxed);
    addRounds(roundsRun);
}

bool startWorkerFeed(const kernel::Feed& feed, float maxIterations, int calcStep, KernelFunction kernel)
{
    if (calcStep < 1 || threadingThreshold.load(std::memory_order_relaxed) == 0 || workerBusy())
        return false;
    const CountBound bound = boundFor(maxIterations, calcStep);
    if (bound.rounds == 0)
        return false;
    worker().post(kernel ? kernel : bestKernel(), Batch{bound.rounds, bound.count, calcStep, feed, nullptr, nullptr});
    return true;
}

void stopWorkerFeed()
{
    if (workerStarted.load(std::memory_order_relaxed))
        worker().stop();
}

bool workerFeedRunning() { return workerBusy(); }

double kernelRoundsRun() { return roundsCounted.load(std::memory_order_relaxed); }

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

bool fpControlIsExact(unsigned mxcsr) { return (mxcsr & (FlushToZero | DenormalsAreZero | RoundingControl)) == 0; }

}  // namespace vantorel
