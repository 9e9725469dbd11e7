#include "sim/profile_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "codeplug/data_adaptor.h"
#include "common/exception.h"
#include "sim/default_radio.h"
#include "sim_test_support.h"
#include "support/image_printers.h"

namespace vex::sim {
namespace {

TEST(RadioProfileFile, TheBuiltInRadioSurvivesASaveAndALoadAndFailuresAreReported) {
    test::TempFolder folder;
    const std::string path = folder / "radio.lam";
    const VirtualCP radio = DefaultRadioImage();
    std::string error;
    ASSERT_TRUE(SaveRadioProfile(radio, path, error)) << error;

    // Scrambled, as profile files are kept, and nothing else left in the folder.
    const std::string stored = vex::test::ReadAll(path);
    EXPECT_NE(stored.rfind("<?xml", 0), 0u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1);

    EXPECT_EQ(LoadRadioProfile(path), radio);

    // A plain profile loads as well.
    std::string text;
    CDataAdaptor::VirtualCP2XML(radio, text);
    std::ofstream(path, std::ios::binary) << text;
    EXPECT_EQ(LoadRadioProfile(path), radio);

    EXPECT_THROW(LoadRadioProfile(folder / "missing.lam"), std::runtime_error);
    const std::string junk = folder / "junk.lam";
    std::ofstream(junk, std::ios::binary) << "<?xml version=\"1.0\"?><nothing/>";
    EXPECT_THROW(LoadRadioProfile(junk), CVEXPRGException);

    error.clear();
    EXPECT_FALSE(SaveRadioProfile(DefaultRadioImage(), folder / "no/such/folder.lam", error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace vex::sim
