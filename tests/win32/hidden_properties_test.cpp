// A real package's own list of hidden properties, read with the Windows Installer's database API.
#include "engine/win32/hidden_properties.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32_files.h"

namespace cvinst {
namespace {

TEST(PackageHiddenProperties, AreThoseThePackageListsAndAProblemWhereItCannotBeRead) {
    const std::string demo = testkit::WindowsPath(CVINST_DEMO_DIR);
    testkit::TempFolder folder;
    ASSERT_TRUE(folder.CopyIn(demo + "\\CVWork.msi", "Clé d'été.msi"));
    ASSERT_TRUE(folder.Write("notes.msi", "no package"));

    const HiddenProperties work = PackageHiddenProperties(folder.File("Clé d'été.msi"));
    EXPECT_EQ(work.names, std::vector<std::string>{"CVWORKKEY"});
    EXPECT_EQ(work.problem, "");
    const HiddenProperties menu = PackageHiddenProperties(demo + "\\CVMenu.msi");
    EXPECT_TRUE(menu.names.empty()) << "it lists none";
    EXPECT_EQ(menu.problem, "");
    for (const char* unreadable : {"notes.msi", "missing.msi"}) {
        const HiddenProperties read = PackageHiddenProperties(folder.File(unreadable));
        EXPECT_TRUE(read.names.empty()) << unreadable;
        EXPECT_THAT(read.problem, ::testing::StartsWith("cannot be read (")) << unreadable;
    }
}

}  // namespace
}  // namespace cvinst
