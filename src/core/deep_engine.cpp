#include "core/deep_engine.h"

#include "core/big_float.h"
#include "core/bla_table.h"
#include "core/count_kernel.h"
#include "core/deep_view.h"
#include "core/perturbation.h"
#include "core/reference_orbit.h"

#include <mpfr.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace vantorel {
namespace {

FloatExp wide(const BigFloat& x)
{
    if (x.isZero())
        return {};
    long exponent = 0;
    const double mantissa = mpfr_get_d_2exp(&exponent, static_cast<mpfr_srcptr>(x.mpfr()), MPFR_RNDN);
    return FloatExp::scaled(mantissa, exponent);
}

// The reference orbit and its runs, for limits up to what they serve.
struct Tables {
    ReferenceOrbit orbit;
    BlaTable table;
    bool serves(int rounds) const { return orbit.escaped || orbit.last >= rounds; }
};

// Where the pixels of the view lie against the reference point: pixel
// (px, py) differs from it by (offX + px stepX, offY + py stepY). The point of
// a pixel is the pass's own, c = px * (span / width) + corner, and the
// reference is the centre of the view.
struct Geometry {
    FloatExp offX, offY, stepX, stepY;
    FloatExp dcMax;  // the largest difference of any pixel
    ComplexExp dc(int px, int py) const
    {
        return ComplexExp::from(offX + FloatExp::from(px) * stepX, offY + FloatExp::from(py) * stepY);
    }
};

// Computes the tables on a thread of its own.
class Preparation {
public:
    Preparation(BigFloat cRe, BigFloat cIm, int rounds, int bits, FloatExp dcMax) : rounds(rounds)
    {
        thread = std::thread([this, cRe = std::move(cRe), cIm = std::move(cIm), bits, dcMax] {
            auto orbit = computeReferenceOrbit(cRe, cIm, this->rounds, bits, cancel, hold);
            std::shared_ptr<Tables> made;
            if (orbit) {
                made = std::make_shared<Tables>();
                made->table = BlaTable(*orbit, dcMax);
                made->orbit = std::move(*orbit);
            }
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
    std::shared_ptr<const Tables> wait(int milliseconds)
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
    std::shared_ptr<const Tables> result;
    bool finished = false;
    std::thread thread;
};

struct DeepPass {
    std::uint64_t generation = 0;
    DeepView view;
    int width = 0, height = 0;
    BigFloat refRe, refIm;
    int bits = 0;
    Geometry geometry;
    std::shared_ptr<const Tables> tables;
    std::unique_ptr<Preparation> preparation;
};

// The deep view being counted, if any; kept between passes over the same view.
std::unique_ptr<DeepPass> current;
bool active = false;

// What the kernel threads count with.
struct KernelTables {
    Geometry geometry;
    std::shared_ptr<const Tables> tables;
};
std::shared_ptr<const KernelTables> published;
std::atomic<const KernelTables*> kernelTables{nullptr};

PerturbationInput inputFor(const Tables& t, int rounds, int step, std::int16_t never)
{
    return {&t.orbit, &t.table, rounds, step, never};
}

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
    p.bits = bitsForView(v, width, height);
    const BigFloat spanX = v.xMax.minus(v.xMin, p.bits), spanY = v.yMax.minus(v.yMin, p.bits);
    p.refRe = v.xMin.plus(spanX.times(0.5), p.bits);
    p.refIm = v.yMin.plus(spanY.times(0.5), p.bits);
    Geometry& g = p.geometry;
    g.offX = wide(v.xMin.minus(p.refRe, p.bits));
    g.offY = wide(v.yMin.minus(p.refIm, p.bits));
    g.stepX = wide(spanX.dividedBy(width, p.bits));
    g.stepY = wide(spanY.dividedBy(height, p.bits));
    // The farthest pixel from the centre is a corner's.
    const FloatExp halfX = maxOf(FloatExp{std::fabs(g.offX.m), g.offX.e}, FloatExp{std::fabs(g.stepX.m) * 0.5, g.stepX.e} * FloatExp::from(width));
    const FloatExp halfY = maxOf(FloatExp{std::fabs(g.offY.m), g.offY.e}, FloatExp{std::fabs(g.stepY.m) * 0.5, g.stepY.e} * FloatExp::from(height));
    g.dcMax = magnitude(ComplexExp::from(halfX, halfY));
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
        p.preparation = std::make_unique<Preparation>(p.refRe, p.refIm, rounds, p.bits, p.geometry.dcMax);
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
    return perturbedCount(inputFor(*p.tables, bound.rounds, calcStep, bound.count), p.geometry.dc(px, py));
}

void publishDeepKernelTables()
{
    if (!active || !current || !current->tables) {
        kernelTables.store(nullptr);
        published.reset();
        return;
    }
    auto made = std::make_shared<KernelTables>(KernelTables{current->geometry, current->tables});
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
        const Geometry& geometry;
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
    perturbedCounts(inputFor(*k->tables, batch.rounds, batch.step, batch.neverEscapes), pixels);
}

}  // namespace vantorel
