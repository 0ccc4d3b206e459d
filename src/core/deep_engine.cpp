#include "core/deep_engine.h"

#include "core/count_kernel.h"
#include "core/deep_reference.h"
#include "core/deep_view.h"
#include "core/perturbation.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace vantorel {
namespace {

// Computes the tables on a thread of its own.
class Preparation {
public:
    Preparation(DeepReference reference, int rounds) : rounds(rounds)
    {
        thread = std::thread([this, reference = std::move(reference)] {
            auto made = computeDeepTables(reference, this->rounds, cancel, hold);
            std::lock_guard lock(mutex);
            result = std::move(made);
            finished = true;
            done.notify_all();
        });
    }
    ~Preparation()
    {
        cancel.store(true);
        thread.join();
    }
    Preparation(const Preparation&) = delete;
    Preparation& operator=(const Preparation&) = delete;

    // The tables once made (null before, and after a cancel).
    std::shared_ptr<const DeepTables> wait(int milliseconds)
    {
        std::unique_lock lock(mutex);
        done.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return finished; });
        return result;
    }
    bool isFinished()
    {
        std::lock_guard lock(mutex);
        return finished;
    }
    void setHold(bool on) { hold.store(on); }

    const int rounds;

private:
    std::atomic<bool> cancel{false}, hold{false};
    std::mutex mutex;
    std::condition_variable done;
    std::shared_ptr<const DeepTables> result;
    bool finished = false;
    std::thread thread;
};

struct DeepPass {
    std::uint64_t generation = 0;
    DeepView view;
    int width = 0, height = 0;
    DeepReference reference;
    std::shared_ptr<const DeepTables> tables;
    std::unique_ptr<Preparation> preparation;
};

// The deep view being counted, if any; kept between passes over the same view.
std::unique_ptr<DeepPass> current;
bool active = false;

// What the kernel threads count with.
struct KernelTables {
    DeepGeometry geometry;
    std::shared_ptr<const DeepTables> tables;
};
std::shared_ptr<const KernelTables> published;
std::atomic<const KernelTables*> kernelTables{nullptr};

}  // namespace

void beginDeepPass(int width, int height)
{
    active = deepViewActive();
    if (!active)
        return;
    const DeepView& v = deep.view;
    if (current && current->width == width && current->height == height && current->view.xMin == v.xMin
        && current->view.yMin == v.yMin && current->view.xMax == v.xMax && current->view.yMax == v.yMax) {
        current->generation = deep.generation;
        return;
    }
    current = std::make_unique<DeepPass>();
    DeepPass& p = *current;
    p.generation = deep.generation;
    p.view = v;
    p.width = width;
    p.height = height;
    p.reference = deepReferenceFor(v, width, height);
}

bool deepPassActive() { return active; }

std::uint64_t deepPassGeneration() { return active && current ? current->generation : 0; }

bool deepTablesReady(float maxIterations, int calcStep)
{
    if (!active || !current)
        return true;
    DeepPass& p = *current;
    const int rounds = countBound(maxIterations, calcStep).rounds;
    if (p.tables && p.tables->serves(rounds))
        return true;
    if (p.preparation && p.preparation->isFinished()) {
        if (auto made = p.preparation->wait(0))
            p.tables = std::move(made);
        p.preparation.reset();
        if (p.tables && p.tables->serves(rounds))
            return true;
    }
    if (!p.preparation || p.preparation->rounds < rounds)
        p.preparation = std::make_unique<Preparation>(p.reference, rounds);
    return false;
}

bool waitForDeepTables(int milliseconds)
{
    if (!active || !current || !current->preparation)
        return true;
    DeepPass& p = *current;
    auto made = p.preparation->wait(milliseconds);
    if (!p.preparation->isFinished())
        return false;
    if (made)
        p.tables = std::move(made);
    p.preparation.reset();
    return true;
}

void holdDeepTables(bool hold)
{
    if (current && current->preparation)
        current->preparation->setHold(hold);
}

void endDeepPass()
{
    if (current)
        current->preparation.reset();
}

std::int16_t deepEscapeCount(int px, int py, float maxIterations, int calcStep)
{
    const CountBound bound = countBound(maxIterations, calcStep);
    const DeepPass& p = *current;
    return perturbedCount(p.tables->input(bound.rounds, calcStep, bound.count), p.reference.geometry.dc(px, py));
}

void publishDeepKernelTables()
{
    if (!active || !current || !current->tables) {
        kernelTables.store(nullptr);
        published.reset();
        return;
    }
    auto made = std::make_shared<KernelTables>(KernelTables{current->reference.geometry, current->tables});
    kernelTables.store(made.get());
    published = std::move(made);
}

void runDeepKernel(const kernel::Batch& batch)
{
    const KernelTables* k = kernelTables.load();
    if (!k)
        return;  // nothing published: the pass counts what it needs itself
    if (batch.lanes) {
        // The double kernel's points in flight are dropped, never delivered.
        batch.lanes->lanes = 0;
        batch.lanes->live = 0;
    }
    struct Source {
        const kernel::Feed& feed;
        const DeepGeometry& geometry;
    } source{batch.feed, k->geometry};
    const PixelSource pixels{
        [](void* ctx, int& id, ComplexExp& dc) {
            const Source& s = *static_cast<Source*>(ctx);
            if (s.feed.enough(s.feed.ctx))
                return false;
            double x = 0, y = 0;
            id = s.feed.next(s.feed.ctx, &x, &y);
            if (id < 0)
                return false;
            dc = s.geometry.dc(static_cast<int>(x), static_cast<int>(y));
            return true;
        },
        [](void* ctx, int id, std::int16_t count) {
            const Source& s = *static_cast<Source*>(ctx);
            s.feed.deliver(s.feed.ctx, id, count);
        },
        &source};
    perturbedCounts(k->tables->input(batch.rounds, batch.step, batch.neverEscapes), pixels);
}

}  // namespace vantorel
