#include "files/dialogs.h"
#include "support/fixture.h"

namespace vantorel::testing {
namespace {

using namespace std::string_literals;

TEST(BuildDialogFilter, EndsEveryPieceWithNul)
{
    EXPECT_EQ(buildDialogFilter("Locations|*.sav|All|*"), "Locations\0*.sav\0All\0*\0"s);
    EXPECT_EQ(buildDialogFilter("a|b|c"), "a\0b\0c\0"s);
    EXPECT_EQ(buildDialogFilter("sav"), "sav\0"s);
    // A trailing "|" gives a last, empty piece: two NULs in a row.
    EXPECT_EQ(buildDialogFilter("bmp|"), "bmp\0\0"s);
    EXPECT_EQ(buildDialogFilter(""), "\0"s);
}

class DialogWrapperTest : public ProgramTest {};

TEST_F(DialogWrapperTest, WrappersHandTheFilterListToThePlatformAndReturnItsAnswer)
{
    fake.saveDialogAnswer = "/x/y.sav";
    fake.openDialogAnswer = "";
    EXPECT_EQ(showSaveDialog("sav", "sav", "/start/"), "/x/y.sav");
    EXPECT_EQ(showOpenDialog("a|b", "/start/"), "");
    EXPECT_EQ(fake.dialogRequests, (std::vector<std::string>{"save|sav\0|sav|/start/"s, "open|a\0b\0|/start/"s}));
}

}  // namespace
}  // namespace vantorel::testing
