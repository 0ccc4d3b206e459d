#include "core/count_kernel.h"
#include "core/escape.h"
#include "support/fixture.h"

#include <xmmintrin.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace vantorel::testing {
namespace {

class CountKernelTest : public ProgramTest {
protected:
    void TearDown() override
    {
        selectCountKernel("");
        setThreadingThreshold(1 << 21);
        ProgramTest::TearDown();
    }

    std::int16_t reference(double re, double im, float limit, int step)
    {
        state.cRe = re;
        state.cIm = im;
        state.maxIterations = limit;
        state.calcStep = static_cast<std::int16_t>(step);
        return escapeCount();
    }

    // Counts the points with the batch kernel and with escapeCount and
    // reports the first point where they differ.
    void expectSameCounts(const std::vector<double>& re, const std::vector<double>& im, float limit, int step)
    {
        std::vector<std::int16_t> batch(re.size(), -7);
        escapeCounts(re.data(), im.data(), batch.data(), static_cast<int>(re.size()), limit, step);
        for (std::size_t i = 0; i < re.size(); ++i) {
            const std::int16_t expected = reference(re[i], im[i], limit, step);
            ASSERT_EQ(batch[i], expected) << "point " << i << " (" << re[i] << ", " << im[i] << ") limit " << limit
                                          << " step " << step << " kernel " << countKernelName();
        }
    }

    // Points near the boundary of the set, where counts vary most, plus
    // points well inside and well outside.
    static void randomPoints(std::mt19937_64& rng, int n, std::vector<double>& re, std::vector<double>& im)
    {
        std::uniform_real_distribution<double> x(-2.3, 0.7), y(-1.3, 1.3), tiny(-1e-3, 1e-3);
        std::uniform_int_distribution<int> kind(0, 3);
        const double boundary[][2] = {{-0.745, 0.1}, {-0.75, 0.0}, {0.25, 0.0},
                                      {-0.1, 0.65},  {-1.25, 0.0}, {-1.77, 0.0}};
        re.clear();
        im.clear();
        for (int i = 0; i < n; ++i) {
            if (kind(rng) == 0) {
                const auto& b = boundary[static_cast<std::size_t>(i) % 6];
                re.push_back(b[0] + tiny(rng));
                im.push_back(b[1] + tiny(rng));
            } else {
                re.push_back(x(rng));
                im.push_back(y(rng));
            }
        }
    }
};

TEST_F(CountKernelTest, TheNeverEscapingCountAndRoundsFollowTheLoopsBookkeeping)
{
    EXPECT_EQ(countBound(1000, 15).count, 1005);
    EXPECT_EQ(countBound(1000, 15).rounds, 67);
    EXPECT_EQ(countBound(30000, 1).count, 30001);
    EXPECT_EQ(countBound(30000, 1).rounds, 30001);
    EXPECT_EQ(countBound(30000, 400).count, 30400);
    EXPECT_EQ(countBound(1, 15).count, 15);
    EXPECT_EQ(countBound(1, 15).rounds, 1);
    // A limit below 0 stops the loop before the first test.
    EXPECT_EQ(countBound(-1, 15).rounds, 0);
    EXPECT_EQ(countBound(-1, 15).count, 0);
    // Steps outside the scroll bar's range stop at the 16-bit ceiling.
    EXPECT_EQ(countBound(30000, 20000).count, 32767);
    EXPECT_EQ(countBound(std::numeric_limits<float>::quiet_NaN(), 400).count, 32767);
}

TEST_F(CountKernelTest, PointsOnCyclesAndSpecialPointsGetTheLoopsCounts)
{
    // 0 and -2 are fixed points, -1 and i cycles of two; c = 2 passes the
    // first test with |z|^2 exactly 4; 0.25 converges only slowly; -0.0 and
    // tiny values exercise signed zeros and denormals; a NaN never escapes.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> re = {0,    -2,       -1, 0,     2,   0.25,   -0.75,
                                    -0.0, 4.9e-324, 3,  -1.75, nan, 1e-310, -0.1225611668766536};
    const std::vector<double> im = {0, 0, 0, 1, 0, 0, 0, -0.0, 0, 0, 0, 0, -1e-310, 0.7448617666197442};
    for (const int step : {1, 2, 7, 15, 400})
        for (const float limit : {1.0f, 2.0f, 63.0f, 1000.0f, 30000.0f}) {
            for (const char* kernel : {"avx512", "avx2", "scalar"})
                if (selectCountKernel(kernel))
                    expectSameCounts(re, im, limit, step);
        }
}

TEST_F(CountKernelTest, RandomPointsMatchEscapeCountWithEveryKernelAndWithTheWorkerThread)
{
    std::mt19937_64 rng(20261207);
    std::vector<double> re, im;
    std::uniform_int_distribution<int> size(1, 700), limit(1, 5000), step(1, 400), smallStep(1, 3);
    for (int round = 0; round < 24; ++round) {
        randomPoints(rng, size(rng), re, im);
        const int s = round % 2 ? step(rng) : smallStep(rng);
        const float l = static_cast<float>(limit(rng));
        setThreadingThreshold(round % 3 == 0 ? 1 : 0);
        for (const char* kernel : {"avx512", "avx2", "scalar"})
            if (selectCountKernel(kernel))
                expectSameCounts(re, im, l, s);
    }
}

// The cycle test is what makes deep plots fast, and nothing in a picture
// shows when it stops working: the counts stay the same, only the work grows
// to the limit. Points whose iterate settles on a cycle, bit for bit, must be
// recognised within a few checkpoints instead of running 30001 rounds.
TEST_F(CountKernelTest, PointsOnCyclesStopLongBeforeTheLimit)
{
    // Fixed points, cycles of two and three, a point that falls onto a cycle
    // (i), and inner points of the main cardioid and of the bulbs of period 2
    // and 3 that approach theirs.
    const double points[][2] = {{0, 0},
                                {-1, 0},
                                {-2, 0},
                                {0, 1},
                                {-0.1225611668766536, 0.7448617666197442},
                                {-1.7548776662466927, 0},
                                {-0.5, 0.1},
                                {-1.1, 0.1},
                                {0.1, 0.1},
                                {-0.12, 0.3},
                                {0.2, 0.5},
                                {-1.3, 0.05}};
    setThreadingThreshold(0);
    for (const char* kernel : {"avx512", "avx2", "scalar"}) {
        if (!selectCountKernel(kernel))
            continue;
        for (const auto& c : points) {
            std::int16_t count = 0;
            const double before = kernelRoundsRun();
            escapeCounts(&c[0], &c[1], &count, 1, 30000, 1);
            EXPECT_EQ(count, 30001);
            EXPECT_LE(kernelRoundsRun() - before, 2048) << "(" << c[0] << ", " << c[1] << ") kernel " << kernel;
        }
    }
}

// Lanes that a caller stops between two calls keep their points and finish
// them in a later call: every point is delivered once, with escapeCount's count.
TEST_F(CountKernelTest, LanesStoppedBetweenCallsDeliverEveryPointOnce)
{
    std::mt19937_64 rng(4242);
    std::vector<double> re, im;
    randomPoints(rng, 600, re, im);
    struct Points {
        const std::vector<double>* re;
        const std::vector<double>* im;
        std::vector<int> deliveries;
        std::vector<std::int16_t> counts;
        int handedOut = 0, delivered = 0, wanted = 0;
    };
    for (const char* kernel : {"avx512", "avx2", "scalar"}) {
        if (!selectCountKernel(kernel))
            continue;
        for (const int step : {1, 9}) {
            Points pts{&re, &im, std::vector<int>(re.size()), std::vector<std::int16_t>(re.size())};
            const kernel::Feed feed{[](void* ctx, double* cRe, double* cIm) {
                                        Points& p = *static_cast<Points*>(ctx);
                                        if (p.handedOut == static_cast<int>(p.re->size()))
                                            return -1;
                                        *cRe = (*p.re)[static_cast<std::size_t>(p.handedOut)];
                                        *cIm = (*p.im)[static_cast<std::size_t>(p.handedOut)];
                                        return p.handedOut++;
                                    },
                                    [](void* ctx, int id, std::int16_t count) {
                                        Points& p = *static_cast<Points*>(ctx);
                                        ++p.deliveries[static_cast<std::size_t>(id)];
                                        p.counts[static_cast<std::size_t>(id)] = count;
                                        ++p.delivered;
                                    },
                                    [](void* ctx) {
                                        const Points& p = *static_cast<const Points*>(ctx);
                                        return p.delivered >= p.wanted;
                                    },
                                    &pts};
            kernel::LaneState lanes;
            int calls = 0;
            while (pts.delivered < static_cast<int>(re.size()) && calls < 10000) {
                pts.wanted = pts.delivered + 7;  // a few counts per call, as a column asks for its own
                countFromFeed(feed, lanes, 3000, step);
                ++calls;
            }
            EXPECT_GT(calls, 20) << "the lanes were never stopped between calls";
            for (std::size_t i = 0; i < re.size(); ++i) {
                ASSERT_EQ(pts.deliveries[i], 1) << "point " << i << " kernel " << kernel;
                ASSERT_EQ(pts.counts[i], reference(re[i], im[i], 3000, step)) << "point " << i << " kernel " << kernel;
            }
        }
    }
}

TEST_F(CountKernelTest, RefusesAStepBelowOne)
{
    double re = 0, im = 0;
    std::int16_t count = 0;
    EXPECT_THROW(escapeCounts(&re, &im, &count, 1, 1000, 0), std::invalid_argument);
}

// Flush-to-zero or denormals-are-zero would change results near zero; the
// kernel computes with the exact control word in the calling thread and in
// the worker, and gives the caller its own control word back.
TEST_F(CountKernelTest, EveryThreadCountsWithTheExactFloatingPointControlWord)
{
    constexpr unsigned FlushToZero = 0x8000, DenormalsAreZero = 0x0040;
    std::vector<double> re(2000, 0.0), im(2000, 0.0);
    // Just outside the cusp at 0.25: z creeps through the bottleneck for tens
    // of thousands of iterations without ever repeating, so every batch is
    // long enough for the worker to wake up and take part.
    for (std::size_t i = 0; i < re.size(); ++i)
        re[i] = 0.25 + 1e-9 * static_cast<double>(1 + i % 50);
    std::vector<std::int16_t> counts(re.size());

    const unsigned original = _mm_getcsr();
    _mm_setcsr(original | FlushToZero | DenormalsAreZero);
    setThreadingThreshold(1);
    const long before = fpControlReport().workerBatches;
    for (int attempt = 0; attempt < 50 && fpControlReport().workerBatches == before; ++attempt)
        escapeCounts(re.data(), im.data(), counts.data(), static_cast<int>(re.size()), 30000, 1);
    const unsigned after = _mm_getcsr();
    _mm_setcsr(original);

    const FpControlReport report = fpControlReport();
    EXPECT_FALSE(fpControlIsExact(report.callerMxcsr));
    EXPECT_TRUE(fpControlIsExact(report.callerRanWith));
    // The caller gets its control word back, flags included.
    EXPECT_EQ(after, original | FlushToZero | DenormalsAreZero);
    ASSERT_GT(report.workerBatches, before) << "the worker thread never took part";
    EXPECT_TRUE(fpControlIsExact(report.workerRanWith));
    EXPECT_EQ(report.workerRanWith & 0x1F80u, 0x1F80u) << "every exception masked";
    for (std::size_t i = 0; i < re.size(); i += 97)
        EXPECT_EQ(counts[i], reference(re[i], im[i], 30000, 1));

    // The worker starts on another core than its creator's, and must then
    // be free to run on every core the program may use.
    const auto coresOf = [](const std::filesystem::path& status) {
        std::ifstream in(status);
        for (std::string line; std::getline(in, line);)
            if (line.rfind("Cpus_allowed_list:", 0) == 0)
                return line;
        return std::string("none");
    };
    const std::string program = coresOf("/proc/self/status");
    int threads = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        EXPECT_EQ(coresOf(task.path() / "status"), program) << "thread " << task.path().filename();
        ++threads;
    }
    EXPECT_GE(threads, 2);
}

#ifdef VANTOREL_KERNEL_LIBRARY
// -ffp-contract=off keeps the compiler from fusing a multiplication and an
// addition into one rounding; a fused instruction in the kernel would change
// counts. Disassembles the library and looks for any.
TEST(CountKernelCode, ContainsNoFusedMultiplyAdd)
{
    const std::string command = std::string("objdump -d --no-show-raw-insn '") + VANTOREL_KERNEL_LIBRARY + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string section, line;
    long kernelLines = 0, zmmMultiplies = 0, ymmMultiplies = 0;
    std::vector<std::string> fused;
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, pipe)) {
        line = buffer;
        if (line.rfind("In archive", 0) == 0 || line.find("file format") != std::string::npos)
            section = line;
        if (section.find("count_kernel") == std::string::npos)
            continue;
        ++kernelLines;
        if (line.find("vmulpd") != std::string::npos && line.find("zmm") != std::string::npos)
            ++zmmMultiplies;
        if (line.find("vmulpd") != std::string::npos && line.find("ymm") != std::string::npos)
            ++ymmMultiplies;
        for (const char* f : {"vfmadd", "vfmsub", "vfnmadd", "vfnmsub", "vfmaddsub", "vfmsubadd"})
            if (line.find(f) != std::string::npos)
                fused.push_back(line);
    }
    const int status = pclose(pipe);
    ASSERT_EQ(status, 0) << "objdump failed";
    // The disassembly really covers the vector kernels.
    EXPECT_GT(kernelLines, 100);
    EXPECT_GT(zmmMultiplies, 0);
    EXPECT_GT(ymmMultiplies, 0);
    EXPECT_TRUE(fused.empty()) << fused.size() << " fused instructions, first: " << (fused.empty() ? "" : fused[0]);
}
#endif

}  // namespace
}  // namespace vantorel::testing
