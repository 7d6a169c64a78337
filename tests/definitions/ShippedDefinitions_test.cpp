#include "definitions/CalcDefsFile.h"
#include "support/TestRegistry.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace calc {
namespace {

/// The definition files the program ships, as they are in the source tree.
std::vector<std::string> ShippedFiles()
{
    std::vector<std::string> files;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(ZEMBRICAL_SHIPPED_DEFINITIONS))
        if (entry.is_regular_file() && entry.path().extension() == ".udf")
            files.push_back(entry.path().string());
    return files;
}

class ShippedDefinitionsTest : public test::TRegistryFixture {};

// A shipped constant the engine reads as something else (a tiny value becomes exactly 0 at the
// end of an evaluation) would give users a wrong number under a trusted name.
TEST_F(ShippedDefinitionsTest, EveryLineLoadsAndNoConstantCollapsesToZero)
{
    const std::vector<std::string> files = ShippedFiles();
    ASSERT_FALSE(files.empty());
    for (const std::string& path : files) {
        TDefinitionsFile file;
        file.Load(path);
        EXPECT_TRUE(file.HasBanner()) << path;
        TDefinitionsGroup& group = ParserDefinitions().AddGroup(path);
        for (const TDefinitionRec& rec : file) {
            EXPECT_NO_THROW(group.AddDefinitionText(rec.Definition))
                << path << ": " << rec.Definition;
        }
        for (int i = 0; i < group.Count(); ++i)
            if (group.GetKind(i) == TDefinitionKind::dkConst) {
                Extended value = 0;
                ASSERT_TRUE(ParserDefinitions().FindConstant(group.GetName(i), value));
                EXPECT_NE(value, 0) << path << ": " << group.GetName(i) << "=" << group.GetText(i);
            }
    }
}

} // namespace
} // namespace calc
