#include "core/deep_view.h"
#include "core/numeric.h"
#include "files/location_file.h"
#include "navigation/run_control.h"
#include "navigation/zoom_keys.h"
#include "support/fixture.h"

#include "files/file_test_support.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

namespace vantorel::testing {
namespace {

// The full view, 1000 iterations, step 15, zoom count 0, factor 5, intensity 500.
const unsigned char WorkedExample[50] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0x00, 0xF8, 0xBF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF4, 0x3F, 0x00, 0x00,
                                         0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F, 0x00, 0x00, 0x7A, 0x44, 0x0F, 0x00, 0x00,
                                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14, 0x40, 0xF4, 0x01};

std::string workedExample() { return std::string(reinterpret_cast<const char*>(WorkedExample), 50); }

// Patches one little-endian field of a location file's bytes.
template <typename T> std::string withField(std::string bytes, std::size_t offset, T value)
{
    using Bits = std::conditional_t<sizeof(T) == 8, std::uint64_t,
                                    std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint16_t>>;
    const auto bits = static_cast<std::uint64_t>(std::bit_cast<Bits>(value));
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[offset + i] = static_cast<char>((bits >> (8 * i)) & 0xff);
    return bytes;
}

constexpr std::size_t XMin = 0, YMin = 8, XMax = 16, YMax = 24, Iterations = 32, Step = 36, ZoomCount = 38,
                      ZoomFactor = 40, Intensity = 48;

template <typename T> bool sameBits(T a, T b) { return std::memcmp(&a, &b, sizeof(T)) == 0; }

// The bytes this process has read so far, by every thread (rchar of /proc/self/io).
long long bytesReadSoFar()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = -1;
    while (io >> key >> value && key != "rchar:") {}
    return value;
}

class LocationFileTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        fake.folder = folder.root.string();
    }

    void save(const std::string& path)
    {
        fake.saveDialogAnswer = path;
        mnusavelocation_Click();
    }
    void load(const std::string& path)
    {
        fake.openDialogAnswer = path;
        mnuloadlocation_Click();
    }

    // Everything a refused load must leave alone.
    struct Snapshot {
        double xmin, ymin, xmax, ymax, factor;
        float iterations;
        std::int16_t step, count, level, itera, kstep, colourbar;
        bool plotStarted;
        long pumps;
    };
    Snapshot snapshot()
    {
        return {state.viewXMin,
                state.viewYMin,
                state.viewXMax,
                state.viewYMax,
                state.zoomFactor,
                state.maxIterations,
                state.calcStep,
                state.zoomCount,
                state.colourLevel,
                fake.scrollValue(ScrollBar::itera),
                fake.scrollValue(ScrollBar::kstep),
                fake.scrollValue(ScrollBar::colourbar),
                state.plotStarted,
                fake.pumps};
    }
    void expectUnchanged(const Snapshot& before, const std::string& what)
    {
        SCOPED_TRACE(what);
        const Snapshot after = snapshot();
        EXPECT_TRUE(sameBits(before.xmin, after.xmin) && sameBits(before.ymin, after.ymin)
                    && sameBits(before.xmax, after.xmax) && sameBits(before.ymax, after.ymax));
        EXPECT_TRUE(sameBits(before.factor, after.factor));
        EXPECT_TRUE(sameBits(before.iterations, after.iterations));
        EXPECT_EQ(before.step, after.step);
        EXPECT_EQ(before.count, after.count);
        EXPECT_EQ(before.level, after.level);
        EXPECT_EQ(before.itera, after.itera);
        EXPECT_EQ(before.kstep, after.kstep);
        EXPECT_EQ(before.colourbar, after.colourbar);
        EXPECT_EQ(before.plotStarted, after.plotStarted);
        EXPECT_EQ(before.pumps, after.pumps);  // no plotting pass ran
    }

    TempFolder folder;
};

TEST_F(LocationFileTest, FullViewSavesAsTheWorkedExampleBytes)
{
    state.zoomFactor = 5;  // as after the first pass
    save(folder.path("full.sav"));

    EXPECT_EQ(readBytes(folder.path("full.sav")), workedExample());
    ASSERT_EQ(fake.dialogRequests.size(), 1u);
    // The program's folder holds no data folders: the dialog starts in the user's.
    EXPECT_EQ(fake.dialogRequests[0],
              std::string("save|sav\0|sav|", 14) + userData.root.string() + "/vantorel/mandel_locations/");
    // The three bars stay copied into the state after the save.
    EXPECT_EQ(state.maxIterations, 1000.0f);
    EXPECT_EQ(state.calcStep, 15);
    EXPECT_EQ(state.colourLevel, 500);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"full.sav"});  // no temporary left behind
}

TEST_F(LocationFileTest, SaveThenLoadRestoresAllNineFieldsBitForBitAndReplots)
{
    const double xmin = std::nextafter(-0.743643887037151, 0.0), ymin = 0.131825904205330;
    const double xmax = -0.743643887037151 + 1e-12, ymax = std::nextafter(0.1318259042053, 1.0);
    const double factor = 3.0000000000000004;  // odd: one ulp above 3
    state.viewXMin = xmin;
    state.viewYMin = ymin;
    state.viewXMax = xmax;
    state.viewYMax = ymax;
    state.zoomCount = -7;
    state.zoomFactor = factor;
    fake.setScrollValue(ScrollBar::itera, 1234);
    fake.setScrollValue(ScrollBar::kstep, 7);
    fake.setScrollValue(ScrollBar::colourbar, 1020);
    save(folder.path("deep.sav"));
    ASSERT_EQ(readBytes(folder.path("deep.sav")).size(), 50u);

    // Somewhere else entirely, with other bar values.
    mnurestartresolution_Click();
    fake.setScrollValue(ScrollBar::colourbar, 3);
    state.viewXMin = state.viewYMin = state.viewXMax = state.viewYMax = 9;
    state.zoomCount = 12;
    state.zoomFactor = 5;
    // The load must draw over the picture, not clear it: stop its pass after
    // the first column so that a pixel far right keeps what was there.
    fake.canvasSetPixel(599, 499, 0x123456);
    fake.onEveryPump = [] { mnustop_Click(); };

    load(folder.path("deep.sav"));

    EXPECT_TRUE(sameBits(state.viewXMin, xmin));
    EXPECT_TRUE(sameBits(state.viewYMin, ymin));
    EXPECT_TRUE(sameBits(state.viewXMax, xmax));
    EXPECT_TRUE(sameBits(state.viewYMax, ymax));
    EXPECT_TRUE(sameBits(state.zoomFactor, factor));
    EXPECT_TRUE(sameBits(state.maxIterations, 1234.0f));
    EXPECT_EQ(state.calcStep, 7);
    EXPECT_EQ(state.zoomCount, -7);
    EXPECT_EQ(state.colourLevel, 1020);
    EXPECT_EQ(fake.scrollValue(ScrollBar::itera), 1234);
    EXPECT_EQ(fake.scrollValue(ScrollBar::kstep), 7);
    EXPECT_EQ(fake.scrollValue(ScrollBar::colourbar), 1020);
    EXPECT_EQ(caption(Caption::labelitera), "1234");
    EXPECT_EQ(caption(Caption::Labelkstep), "7");
    EXPECT_EQ(caption(Caption::Label6), "1020");
    // The zoom labels follow the loaded place.
    EXPECT_EQ(caption(Caption::Labelzoom), "-7 times");
    EXPECT_EQ(caption(Caption::Label14), formatGeneral(-7 * factor, "."));
    // It replotted the loaded view, over the old picture. Doubles do not
    // resolve it (a pixel is 15 ulps wide), so it is drawn deep, and the
    // labels give the exact corners in their details.
    EXPECT_TRUE(state.plotStarted);
    EXPECT_TRUE(deepViewActive());
    EXPECT_EQ(fake.captionDetail(Caption::Label1), BigFloat(xmin).toExactDecimal());
    EXPECT_EQ(fake.captionDetail(Caption::Label4), BigFloat(ymax).toExactDecimal());
    EXPECT_GE(fake.pumps, 1);
    EXPECT_EQ(fake.pixel(599, 499), 0x123456);

    // Saving the loaded place again gives the same 50 bytes: they hold it.
    const std::string first = readBytes(folder.path("deep.sav"));
    save(folder.path("again.sav"));
    EXPECT_EQ(readBytes(folder.path("again.sav")), first);
}

TEST_F(LocationFileTest, LocationSavedBeforeTheFirstPlotHoldsFactorZeroAndLoadsAndPlots)
{
    ASSERT_FALSE(state.plotStarted);
    save(folder.path("early.sav"));
    const std::string bytes = readBytes(folder.path("early.sav"));
    ASSERT_EQ(bytes.size(), 50u);
    EXPECT_EQ(bytes.substr(ZoomFactor, 8), std::string(8, '\0'));
    EXPECT_EQ(bytes, withField(workedExample(), ZoomFactor, 0.0));

    load(folder.path("early.sav"));
    EXPECT_TRUE(state.plotStarted);
    EXPECT_EQ(state.zoomFactor, 5.0);               // the pass replaced the factor 0
    EXPECT_EQ(caption(Caption::labelchunkx), "1");  // the pass ran to its last stage
    EXPECT_NE(fake.pixel(0, 0), MemoryPlatform::Background);
}

TEST_F(LocationFileTest, AFactorOfTwoCollapsesTheViewAndOneAndAHalfMirrorsIt)
{
    // Each edge moves by (1 / factor) x span, in that order of operations.
    fake.onEveryPump = [] { mnustop_Click(); };  // the pictures do not matter here
    writeBytes(folder.path("two.sav"), withField(workedExample(), ZoomFactor, 2.0));
    load(folder.path("two.sav"));
    zoomin_Click();
    EXPECT_EQ(state.viewXMin, -0.5);
    EXPECT_EQ(state.viewXMax, -0.5);
    EXPECT_EQ(state.viewYMin, 0.0);
    EXPECT_EQ(state.viewYMax, 0.0);
    EXPECT_EQ(caption(Caption::Label14), "2");

    writeBytes(folder.path("one-and-a-half.sav"), withField(workedExample(), ZoomFactor, 1.5));
    load(folder.path("one-and-a-half.sav"));
    zoomin_Click();
    EXPECT_EQ(state.viewXMin, -2.25 + 1 / 1.5 * 3.5);  // 0.08333333333333304: right of viewXMax
    EXPECT_EQ(state.viewXMax, 1.25 - 1 / 1.5 * 3.5);
    EXPECT_EQ(state.viewYMin, -1.5 + 1 / 1.5 * 3.0);
    EXPECT_EQ(state.viewYMax, 1.5 - 1 / 1.5 * 3.0);
    EXPECT_EQ(caption(Caption::Label14), "1.5");
    EXPECT_EQ(caption(Caption::Label1), formatGeneral(-2.25 + 1 / 1.5 * 3.5, "."));
}

TEST_F(LocationFileTest, ExtensionIsLookedForInTheWholePathCapitalsNotAccepted)
{
    // Capitals or another extension (the dialog adds ".sav" only to a name
    // without a full stop): neither command acts, the save copies no bar into
    // the state, and the user is told.
    save(folder.path("upper.SAV"));
    save(folder.path("trip.2024"));
    EXPECT_TRUE(folder.entries().empty());
    EXPECT_EQ(state.maxIterations, 0.0f);

    writeBytes(folder.path("upper.SAV"), workedExample());
    state.viewXMin = 7;
    Snapshot before = snapshot();
    load(folder.path("upper.SAV"));
    expectUnchanged(before, "load of .SAV");
    const std::string rule = "\".\r\nLocation files end in \".sav\", in small letters.";
    EXPECT_EQ(fake.messages, (std::vector<std::string>{
                                 "Vantorel|Could not save the location to \"" + folder.path("upper.SAV") + rule,
                                 "Vantorel|Could not save the location to \"" + folder.path("trip.2024") + rule,
                                 "Vantorel|Could not load the location from \"" + folder.path("upper.SAV") + rule}));

    // Cancelled dialogs: nothing, and nothing said.
    fake.messages.clear();
    save("");
    load("");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"upper.SAV"});
    EXPECT_TRUE(fake.messages.empty());

    // ".sav" followed by more text passes, and the file has exactly that name.
    save(folder.path("trail.savX"));
    EXPECT_EQ(readBytes(folder.path("trail.savX")).size(), 50u);

    // ".sav" in a folder name passes whatever the file's own extension.
    std::filesystem::create_directory(folder.root / "places.sav.d");
    const std::string inFolder = folder.path("places.sav.d/picture.txt");
    state.viewXMin = -2.25;
    state.zoomFactor = 5;
    save(inFolder);
    EXPECT_EQ(readBytes(inFolder), workedExample());
    state.viewXMin = 7;
    load(inFolder);
    EXPECT_EQ(state.viewXMin, -2.25);
    EXPECT_TRUE(state.plotStarted);
}

TEST_F(LocationFileTest, OutOfRangeOrNonFiniteFieldRefusesTheWholeFile)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::string base = withField(workedExample(), XMin, -1.0);  // differs from the current view
    const std::string iterations = "Its iteration limit, ", outside = ", is outside 1 to 30000.";
    const std::string notFinite = "Its iteration limit is not a finite number.";
    const std::string badView = "Its view is not a finite part of the plane.";
    // What is wrong, as the message names it.
    const struct {
        const char* what;
        std::string bytes;
        std::string reason;
    } cases[] = {
        {"iterations 0", withField(base, Iterations, 0.0f), iterations + "0" + outside},
        {"iterations 30001", withField(base, Iterations, 30001.0f), iterations + "30001" + outside},
        {"iterations 0.5 rounds to 0", withField(base, Iterations, 0.5f), iterations + "0,5" + outside},
        {"iterations -1", withField(base, Iterations, -1.0f), iterations + "-1" + outside},
        {"iterations NaN", withField(base, Iterations, std::numeric_limits<float>::quiet_NaN()), notFinite},
        {"iterations infinite", withField(base, Iterations, std::numeric_limits<float>::infinity()), notFinite},
        {"iterations 1e9", withField(base, Iterations, 1e9f), iterations + "1000000000" + outside},
        {"step 0", withField(base, Step, std::int16_t{0}), "Its calculation step, 0, is outside 1 to 400."},
        {"step -3", withField(base, Step, std::int16_t{-3}), "Its calculation step, -3, is outside 1 to 400."},
        {"step 401", withField(base, Step, std::int16_t{401}), "Its calculation step, 401, is outside 1 to 400."},
        {"intensity -1", withField(base, Intensity, std::int16_t{-1}),
         "Its colour intensity, -1, is outside 0 to 1020."},
        {"intensity 1021", withField(base, Intensity, std::int16_t{1021}),
         "Its colour intensity, 1021, is outside 0 to 1020."},
        // A bad step together with a bad later field: the step must not stay
        // behind in calcStep, or the next plot would never end.
        {"step 0 and intensity 2000", withField(withField(base, Step, std::int16_t{0}), Intensity, std::int16_t{2000}),
         "Its calculation step, 0, is outside 1 to 400."},
        {"left edge NaN", withField(base, XMin, nan), badView},
        {"top edge infinite", withField(base, YMin, -inf), badView},
        {"right edge NaN", withField(base, XMax, nan), badView},
        {"bottom edge infinite", withField(base, YMax, inf), badView},
        // Finite corners whose span is not: no zoom, drag or arrow could leave it.
        {"width beyond the doubles", withField(withField(base, XMin, -1e308), XMax, 1e308), badView},
        {"height beyond the doubles", withField(withField(base, YMin, -1e308), YMax, 1e308), badView},
        {"zoom factor infinite", withField(base, ZoomFactor, inf), "Its zoom factor is not a finite number."},
    };
    fake.separator = ",";  // numbers in the message are written as the user writes them
    fake.setScrollValue(ScrollBar::colourbar, 321);
    state.zoomCount = 4;
    state.zoomFactor = 2.5;
    const Snapshot before = snapshot();
    for (const auto& c : cases) {
        writeBytes(folder.path("bad.sav"), c.bytes);
        fake.messages.clear();
        load(folder.path("bad.sav"));
        expectUnchanged(before, c.what);
        EXPECT_EQ(fake.messages, std::vector<std::string>{"Vantorel|Could not load the location from \""
                                                          + folder.path("bad.sav") + "\".\r\n" + c.reason});
    }
    EXPECT_EQ(state.calcStep, 15);
    EXPECT_EQ(caption(Caption::Label6), "321");
}

TEST_F(LocationFileTest, IterationLimitIsRoundedHalfToEvenAtTheEdgesOfItsRange)
{
    fake.onEveryPump = [] { mnustop_Click(); };
    const struct {
        float stored;
        int bar;
    } cases[] = {{1.0f, 1},       {1.5f, 2},         {2.5f, 2},        {999.5f, 1000},
                 {1000.5f, 1000}, {30000.0f, 30000}, {30000.4f, 30000}};
    for (const auto& c : cases) {
        writeBytes(folder.path("round.sav"), withField(workedExample(), Iterations, c.stored));
        load(folder.path("round.sav"));
        EXPECT_EQ(fake.scrollValue(ScrollBar::itera), c.bar) << c.stored;
        EXPECT_TRUE(sameBits(state.maxIterations, static_cast<float>(c.bar))) << "the pass reads the bar";
    }
    // Extreme but valid values of the other fields load as well.
    writeBytes(folder.path("edge.sav"),
               withField(withField(withField(workedExample(), Step, std::int16_t{400}), Intensity, std::int16_t{0}),
                         ZoomCount, std::int16_t{-32768}));
    load(folder.path("edge.sav"));
    EXPECT_EQ(fake.scrollValue(ScrollBar::kstep), 400);
    EXPECT_EQ(state.calcStep, 400);
    EXPECT_EQ(fake.scrollValue(ScrollBar::colourbar), 0);
    EXPECT_EQ(state.zoomCount, -32768);
    EXPECT_EQ(caption(Caption::Labelzoom), "-32768 times");
}

TEST_F(LocationFileTest, MissingShortOrUnreadableFileIsRefusedWithItsReasonAndNeverCreated)
{
    const Snapshot before = snapshot();
    const auto refused = [this](const std::string& name, const std::string& reason) {
        return "Vantorel|Could not load the location from \"" + folder.path(name) + "\".\r\n" + reason;
    };

    load(folder.path("missing.sav"));
    expectUnchanged(before, "missing");
    EXPECT_FALSE(std::filesystem::exists(folder.path("missing.sav")));

    writeBytes(folder.path("short.sav"), workedExample().substr(0, 49));
    load(folder.path("short.sav"));
    expectUnchanged(before, "49 bytes");
    EXPECT_EQ(std::filesystem::file_size(folder.path("short.sav")), 49u);

    writeBytes(folder.path("empty.sav"), "");
    load(folder.path("empty.sav"));
    expectUnchanged(before, "empty");

    std::filesystem::create_directory(folder.root / "folder.sav");
    load(folder.path("folder.sav"));
    expectUnchanged(before, "a folder");
    EXPECT_EQ(fake.messages, (std::vector<std::string>{
                                 refused("missing.sav", "The file does not exist."),
                                 refused("short.sav", "The file is 49 bytes long; a location file is 50 bytes long."),
                                 refused("empty.sav", "The file is 0 bytes long; a location file is 50 bytes long."),
                                 refused("folder.sav", "That name belongs to a folder.")}));

    // Anything after byte 50 is ignored, and not read either: a huge file
    // named .sav costs no more than a small one.
    writeBytes(folder.path("long.sav"), withField(workedExample(), XMin, -1.0) + std::string(30, '\x7f'));
    std::filesystem::resize_file(folder.path("long.sav"), 64 << 20);  // sparse
    const long long readBefore = bytesReadSoFar();
    load(folder.path("long.sav"));
    EXPECT_LT(bytesReadSoFar() - readBefore, 65536);
    EXPECT_EQ(state.viewXMin, -1.0);
    EXPECT_TRUE(state.plotStarted);
}

TEST_F(LocationFileTest, SaveIntoMissingFolderSaysSoAndLeavesNothing)
{
    save(folder.path("gone/place.sav"));
    EXPECT_TRUE(folder.entries().empty());
    EXPECT_EQ(fake.messages,
              std::vector<std::string>{"Vantorel|Could not save the location to \"" + folder.path("gone/place.sav")
                                       + "\".\r\nThe folder does not exist."});
    // The bars were copied before the write failed, as the save always does.
    EXPECT_EQ(state.maxIterations, 1000.0f);
}

TEST_F(LocationFileTest, SaveReplacesAnOlderFileWholeOrNotAtAll)
{
    state.zoomFactor = 5;
    // Over a longer file: exactly the 50 new bytes remain.
    writeBytes(folder.path("old.sav"), std::string(200, 'x'));
    std::filesystem::permissions(folder.path("old.sav"), std::filesystem::perms(0640));
    save(folder.path("old.sav"));
    EXPECT_EQ(readBytes(folder.path("old.sav")), workedExample());
    EXPECT_EQ(std::filesystem::status(folder.path("old.sav")).permissions(), std::filesystem::perms(0640));

    // A name that cannot be replaced (a folder) fails without leaving a
    // temporary file beside it.
    std::filesystem::create_directory(folder.root / "taken.sav");
    save(folder.path("taken.sav"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path("taken.sav")));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"old.sav", "taken.sav"}));
}

TEST_F(LocationFileTest, DataFoldersBesideTheProgramWhereItHoldsThemElseInTheUsersDataFolder)
{
    namespace fs = std::filesystem;
    // An installed copy: a program folder without them, which it may not
    // write. The user's data folder is used, its folders made on first use.
    std::filesystem::permissions(folder.root, fs::perms(0555));
    const std::string own = userData.root.string() + "/vantorel/";
    EXPECT_EQ(dataFolderPath("location"), own + "mandel_locations/");
    EXPECT_EQ(dataFolderPath("  picture "), own + "mandel_pictures/");
    EXPECT_TRUE(fs::is_directory(own + "mandel_locations"));
    EXPECT_TRUE(fs::is_directory(own + "mandel_pictures"));
    EXPECT_EQ(dataFolderPath("Picture"), "");  // exact, case included
    std::filesystem::permissions(folder.root, fs::perms(0755));
    EXPECT_TRUE(folder.entries().empty());  // nothing was written beside the program

    // Read-only folders beside the program are passed over, also for root.
    fs::create_directory(folder.root / "mandel_locations");
    fs::permissions(folder.root / "mandel_locations", fs::perms(0555));
    EXPECT_EQ(dataFolderPath("location"), own + "mandel_locations/");
    // Writable ones (the build tree, a copy in a folder of the user's) are used.
    fs::permissions(folder.root / "mandel_locations", fs::perms(0755));
    EXPECT_EQ(dataFolderPath("location"), folder.path("mandel_locations") + "/");
    load("");
    EXPECT_EQ(fake.dialogRequests,
              std::vector<std::string>{std::string("open|sav\0|", 10) + folder.root.string() + "/mandel_locations/"});
    EXPECT_EQ(dataFolderPath("picture"), own + "mandel_pictures/");  // each folder on its own

    // No absolute $XDG_DATA_HOME: ~/.local/share.
    const ScopedEnvironment relative("XDG_DATA_HOME", "relative/data");
    const ScopedEnvironment home("HOME", userData.path("home"));
    EXPECT_EQ(dataFolderPath("picture"), userData.path("home") + "/.local/share/vantorel/mandel_pictures/");
    EXPECT_TRUE(fs::is_directory(userData.path("home") + "/.local/share/vantorel/mandel_pictures"));
    EXPECT_TRUE(fake.messages.empty());

    // A data folder that cannot be made (here under a file, which stops root
    // too): the dialog starts in the home folder, or where the program was
    // started when the home cannot be written, and the user is told once.
    fs::remove(folder.root / "mandel_locations");
    writeBytes(userData.path("file"), "");
    const std::string blocked = userData.path("file") + "/vantorel/mandel_locations";
    const ScopedEnvironment unusable("XDG_DATA_HOME", userData.path("file"));
    fake.messages.clear();
    EXPECT_EQ(dataFolderPath("location"), userData.path("home") + "/");
    EXPECT_EQ(dataFolderPath("location"), userData.path("home") + "/");
    const ScopedEnvironment fileAsHome("HOME", userData.path("file"));
    const ScopedEnvironment unset("XDG_DATA_HOME", "");
    EXPECT_EQ(dataFolderPath("picture"), fs::current_path().string() + "/");
    EXPECT_EQ(fake.messages,
              (std::vector<std::string>{"Vantorel|The folder \"" + blocked
                                            + "\" for your location files could not be created.\r\nThe file dialog "
                                              "starts in \""
                                            + userData.path("home") + "\" instead.",
                                        "Vantorel|The folder \"" + userData.path("file")
                                            + "/.local/share/vantorel/mandel_pictures\" for your pictures could not be "
                                              "created.\r\nThe file dialog starts in \""
                                            + fs::current_path().string() + "\" instead."}));
}

// --- deep views and the location text ---

// The location text of the full view with the start-up values, as "Copy
// location" gives it; the checksum is FNV-1a of the eleven lines above it.
const char* const FullViewText = "Vantorel location 1\nprecision 64\nx-min -2.25\ny-min -1.5\nx-max 1.25\n"
                                 "y-max 1.5\niterations 1000\nstep 15\nintensity 500\nzoom-count 0\n"
                                 "zoom-factor 5\nchecksum da01ac5448159631\n";

// The lines with their checksum line added, each ended by a line feed.
std::string withChecksum(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    char sum[17];
    std::snprintf(sum, sizeof sum, "%016llx", static_cast<unsigned long long>(hash));
    return text + "checksum " + sum + "\n";
}

// A view 1e-30 wide at 200 bits, as lines of a location text.
std::vector<std::string> deepLines()
{
    return {"Vantorel location 1",        "precision 200",
            "x-min -0.7436438870371587047521915061147", "y-min 0.1318259042053119704931320563851",
            "x-max -0.7436438870371587047521915061135", "y-max 0.1318259042053119704931320563861",
            "iterations 3000",            "step 1",
            "intensity 700",              "zoom-count 41",
            "zoom-factor 5"};
}

std::vector<std::string> replaced(std::vector<std::string> lines, std::size_t at, const std::string& line)
{
    lines[at] = line;
    return lines;
}

bool sameView(const DeepView& a, const DeepView& b)
{
    const BigFloat* x[4] = {&a.xMin, &a.yMin, &a.xMax, &a.yMax};
    const BigFloat* y[4] = {&b.xMin, &b.yMin, &b.xMax, &b.yMax};
    for (int i = 0; i < 4; ++i)
        if (!(*x[i] == *y[i]) || x[i]->precision() != y[i]->precision())
            return false;
    return true;
}

TEST_F(LocationFileTest, ADeepViewRoundTripsExactlyAndTodaysReaderRefusesItsFile)
{
    fake.onEveryPump = [] { mnustop_Click(); };
    writeBytes(folder.path("text.sav"), withChecksum(deepLines()));
    load(folder.path("text.sav"));
    ASSERT_TRUE(deepViewActive());
    EXPECT_EQ(state.zoomCount, 41);
    EXPECT_EQ(fake.scrollValue(ScrollBar::itera), 3000);
    EXPECT_EQ(caption(Caption::Labelzoom), " 41 times");
    EXPECT_EQ(caption(Caption::Label1), "-0.7436438870\u202614700");  // the pass drew it
    zoomin_Click();  // a view of its own precision, 173 bits
    const DeepView saved = deep.view;
    fake.setScrollValue(ScrollBar::colourbar, 1020);
    save(folder.path("deep.sav"));

    const std::string bytes = readBytes(folder.path("deep.sav"));
    ASSERT_GT(bytes.size(), 50u);
    // The 50 bytes as before, but every corner a NaN: the released program
    // refuses the file with "Its view is not a finite part of the plane."
    for (const std::size_t corner : {XMin, YMin, XMax, YMax}) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, bytes.data() + corner, 8);
        EXPECT_EQ(bits, 0x7FF8000044454550u);
        EXPECT_TRUE(std::isnan(std::bit_cast<double>(bits)));
    }
    EXPECT_EQ(bytes.substr(Iterations, 18), withField(withField(withField(withField(workedExample(), Iterations, 3000.0f),
                                                                                Step, std::int16_t{1}),
                                                                      ZoomCount, std::int16_t{42}),
                                                            Intensity, std::int16_t{1020})
                                            .substr(Iterations, 18));
    EXPECT_EQ(bytes.substr(50), locationText());
    EXPECT_EQ(bytes.substr(50, 34), "Vantorel location 1\nprecision 173\n");

    Command2_Click();
    ASSERT_FALSE(deepViewActive());
    save(folder.path("full.sav"));
    EXPECT_EQ(readBytes(folder.path("full.sav")).size(), 50u);
    load(folder.path("deep.sav"));
    ASSERT_TRUE(deepViewActive());
    EXPECT_TRUE(sameView(deep.view, saved));
    EXPECT_EQ(state.zoomCount, 42);
    EXPECT_EQ(fake.scrollValue(ScrollBar::colourbar), 1020);
    EXPECT_EQ(fake.scrollValue(ScrollBar::kstep), 1);
    save(folder.path("again.sav"));
    EXPECT_EQ(readBytes(folder.path("again.sav")), bytes);

    // "Copy location" gives the same text; pasted into a file of its own it
    // loads the same place.
    mnucopylocation_Click();
    EXPECT_EQ(fake.clipboard, bytes.substr(50));
    writeBytes(folder.path("pasted.sav"), fake.clipboard);
    Command2_Click();
    load(folder.path("pasted.sav"));
    EXPECT_TRUE(sameView(deep.view, saved));
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(LocationFileTest, TheTextOfADoubleViewHoldsItsDoublesAndLoadsAsTheirFileDoes)
{
    state.zoomFactor = 5;
    mnucopylocation_Click();
    EXPECT_EQ(fake.clipboard, FullViewText);

    // Odd doubles come back bit for bit, also from a text with CR LF line
    // ends and empty lines after it.
    fake.onEveryPump = [] { mnustop_Click(); };
    state.viewXMin = std::nextafter(-0.75, 0.0);
    state.viewYMax = 0.1 + 0x1p-40;
    state.zoomFactor = 3.0000000000000004;
    state.zoomCount = -3;
    mnucopylocation_Click();
    std::string crlf;
    for (const char c : fake.clipboard)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    writeBytes(folder.path("double.sav"), crlf + "\r\n\n");
    Command2_Click();
    load(folder.path("double.sav"));
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_FALSE(deepViewActive());
    EXPECT_TRUE(sameBits(state.viewXMin, std::nextafter(-0.75, 0.0)));
    EXPECT_TRUE(sameBits(state.viewYMax, 0.1 + 0x1p-40));
    EXPECT_TRUE(sameBits(state.zoomFactor, 3.0000000000000004));
    EXPECT_EQ(state.zoomCount, -3);
    EXPECT_EQ(caption(Caption::Label1), formatGeneral(std::nextafter(-0.75, 0.0), "."));
    save(folder.path("double50.sav"));
    EXPECT_EQ(readBytes(folder.path("double50.sav")).size(), 50u);
}

TEST_F(LocationFileTest, ABadLocationTextIsRefusedWithItsReasonAndChangesNothing)
{
    const std::string valid = withChecksum(deepLines());
    const std::string marked = withField(withField(withField(withField(workedExample(), XMin, std::bit_cast<double>(
                                                                                                  0x7FF8000044454550ULL)),
                                                                       YMin, std::bit_cast<double>(0x7FF8000044454550ULL)),
                                                             XMax, std::bit_cast<double>(0x7FF8000044454550ULL)),
                                                   YMax, std::bit_cast<double>(0x7FF8000044454550ULL));
    const std::string damaged = "Its location text is damaged or cut short: its checksum is missing or does not match.";
    const auto line = [](std::size_t at, const std::string& text) { return withChecksum(replaced(deepLines(), at, text)); };
    std::string oneDigit = valid;
    oneDigit[oneDigit.find("0371587")] = '1';
    // x-max 1e-10034 right of x-min: a pixel 1.7e-10037 of the corners.
    std::vector<std::string> deepest = replaced(deepLines(), 1, "precision 40000");
    deepest[4] = "x-max -0.7436438870371587047521915061146" + std::string(10000, '9');
    const std::string deeper = withChecksum(deepest);
    const std::string lines = "Its location text does not have the lines precision, x-min, y-min, x-max, y-max, "
                              "iterations, step, intensity, zoom-count and zoom-factor in this order.";
    std::vector<std::string> extra = deepLines();
    extra.push_back("colour red");
    std::vector<std::string> missing = deepLines();
    missing.erase(missing.begin() + 7);
    const struct {
        const char* what;
        std::string bytes;
        std::string reason;
    } cases[] = {
        {"a digit changed", oneDigit, damaged},
        {"cut short", valid.substr(0, valid.size() - 9), damaged},
        {"cut after its first line", valid.substr(0, 25), damaged},
        {"50 marked bytes alone", marked, damaged},
        {"50 marked bytes and a damaged text", marked + oneDigit, damaged},
        {"text after the checksum", valid + "x-min 1\n", damaged},
        {"damaged first line", marked + "X" + valid.substr(1), damaged},
        {"a newer version", line(0, "Vantorel location 2"),
         "Its location text is of a version this program does not read: its first line is \"Vantorel location 2\", "
         "not \"Vantorel location 1\"."},
        {"a line missing", withChecksum(missing), lines},
        {"a line more", withChecksum(extra), lines},
        {"precision 63", line(1, "precision 63"), "Its precision, 63, is outside 64 to 65536."},
        {"precision 2^40", line(1, "precision 1099511627776"),
         "Its precision, 1099511627776, is outside 64 to 65536."},
        {"malformed corner", line(2, "x-min -0.74.3"), "Its x-min, \"-0.74.3\", is not a finite decimal number."},
        {"corner nan", line(3, "y-min nan"), "Its y-min, \"nan\", is not a finite decimal number."},
        {"corner inf", line(4, "x-max inf"), "Its x-max, \"inf\", is not a finite decimal number."},
        {"long bad corner", line(5, "y-max " + std::string(24, '1') + "x"),
         "Its y-max, \"111111111111111111111111\u2026\", is not a finite decimal number."},
        {"bad precision of 24 characters", line(1, "precision 12345678901234567890123x"),
         "Its precision, \"12345678901234567890123x\", is not a whole number."},
        {"corner past doubles", line(4, "x-max 1e400"), "Its view is not a finite part of the plane."},
        {"x corners equal", line(4, "x-max -0.7436438870371587047521915061147"),
         "Its corners are out of order: x-min must be less than x-max, and y-min less than y-max."},
        {"y corners in the wrong order", line(5, "y-max 0.13"),
         "Its corners are out of order: x-min must be less than x-max, and y-min less than y-max."},
        {"deeper than the deepest", deeper, std::string("Its view is deeper than the deepest view supported, with ")
                                                + DeepestDepthText + "."},
        {"iterations 0", line(6, "iterations 0"), "Its iteration limit, 0, is outside 1 to 30000."},
        {"iterations 1.5", line(6, "iterations 1.5"), "Its iteration limit, \"1.5\", is not a whole number."},
        {"step 401", line(7, "step 401"), "Its calculation step, 401, is outside 1 to 400."},
        {"step empty", line(7, "step "), "Its calculation step, \"\", is not a whole number."},
        {"intensity -1", line(8, "intensity -1"), "Its colour intensity, -1, is outside 0 to 1020."},
        {"zoom count 32768", line(9, "zoom-count 32768"), "Its zoom count, 32768, is outside -32768 to 32767."},
        {"zoom factor nan", line(10, "zoom-factor nan"), "Its zoom factor, \"nan\", is not a finite decimal number."},
        {"zoom factor past doubles", line(10, "zoom-factor 1e309"),
         "Its zoom factor, \"1e309\", is beyond the range of doubles."},
        {"longer than 131072 bytes", marked + valid + std::string(131072 - valid.size() + 1, '\n'),
         "Its location text is longer than 131072 bytes, the most a location file holds."},
        {"a text alone of 4 MiB", valid + std::string(4 << 20, '\n'),
         "Its location text is longer than 131072 bytes, the most a location file holds."},
    };
    fake.setScrollValue(ScrollBar::colourbar, 321);
    state.zoomCount = 4;
    const Snapshot before = snapshot();
    for (const auto& c : cases) {
        writeBytes(folder.path("bad.sav"), c.bytes);
        fake.messages.clear();
        load(folder.path("bad.sav"));
        expectUnchanged(before, c.what);
        EXPECT_FALSE(deepViewActive()) << c.what;
        EXPECT_EQ(fake.messages, std::vector<std::string>{"Vantorel|Could not load the location from \""
                                                          + folder.path("bad.sav") + "\".\r\n" + c.reason})
            << c.what;
    }
}

TEST_F(LocationFileTest, OneCornerBeyondDoublesTakesTheDeepFormAndAMirroredDeepViewIsNotSaved)
{
    const BigFloat yMax = BigFloat(0.1 + 0x1p-50, 200).plus(BigFloat(0x1p-120, 200));
    adoptDeepView({BigFloat(-0.75), BigFloat(0.1), BigFloat(-0.75 + 0x1p-50), yMax});
    ASSERT_TRUE(deepViewActive());
    save(folder.path("one.sav"));
    EXPECT_GT(readBytes(folder.path("one.sav")).size(), 50u);

    fake.onEveryPump = [] { mnustop_Click(); };
    writeBytes(folder.path("text.sav"), withChecksum(deepLines()));
    load(folder.path("text.sav"));
    state.zoomFactor = 1.5;  // each step in turns the view over
    zoomin_Click();
    ASSERT_TRUE(deepViewActive());
    ASSERT_TRUE(deep.view.xMax < deep.view.xMin);
    save(folder.path("mirrored.sav"));
    EXPECT_FALSE(std::filesystem::exists(folder.path("mirrored.sav")));
    EXPECT_EQ(fake.messages,
              std::vector<std::string>{"Vantorel|Could not save the location to \"" + folder.path("mirrored.sav")
                                       + "\".\r\nIts view is mirrored (a zoom factor below 2 turned it over), "
                                         "which a deep location file cannot hold; one more zoom step turns it back."});
    zoomin_Click();
    save(folder.path("mirrored.sav"));
    EXPECT_TRUE(std::filesystem::exists(folder.path("mirrored.sav")));
}

}  // namespace
}  // namespace vantorel::testing
