// A real package's own list of hidden properties, read with the Windows Installer's database API.
#include "engine/win32/hidden_properties.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32_files.h"

namespace cvinst {
namespace {

TEST(PackageHiddenProperties, AreThoseThePackageListsAndNoneWhereItCannotBeRead) {
    const std::string demo = testkit::WindowsPath(CVINST_DEMO_DIR);
    testkit::TempFolder folder;
    ASSERT_TRUE(folder.CopyIn(demo + "\\CVWork.msi", "Clé d'été.msi"));
    ASSERT_TRUE(folder.Write("notes.msi", "no package"));

    EXPECT_EQ(PackageHiddenProperties(folder.File("Clé d'été.msi")),
              std::vector<std::string>{"CVWORKKEY"});
    EXPECT_TRUE(PackageHiddenProperties(demo + "\\CVMenu.msi").empty()) << "it lists none";
    EXPECT_TRUE(PackageHiddenProperties(folder.File("notes.msi")).empty());
    EXPECT_TRUE(PackageHiddenProperties(folder.File("missing.msi")).empty());
}

}  // namespace
}  // namespace cvinst
