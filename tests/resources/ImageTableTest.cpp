#include "ImageCatalogue.h"
#include "resources/ImageResources.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <regex>
#include <set>
#include <string>

namespace torvik::testing {
namespace {

using testing::kCatalogue;

TEST(ImageTable, HoldsEveryCatalogueImageOnceInIdOrder) {
    const auto images = ImageResources();
    ASSERT_EQ(images.size(), 45u);
    std::set<std::string> names;
    int previousId = 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE(images[i].id);
        EXPECT_GT(images[i].id, previousId);
        previousId = images[i].id;
        EXPECT_GE(images[i].id, 101);
        EXPECT_LE(images[i].id, 146);
        EXPECT_NE(images[i].id, 138);
        EXPECT_TRUE(names.insert(images[i].name).second) << "duplicate name " << images[i].name;
        EXPECT_EQ(images[i].id, kCatalogue[i].id);
        EXPECT_EQ(std::string(images[i].name), std::string("resources/img/") + kCatalogue[i].file);
        EXPECT_EQ(images[i].frames, kCatalogue[i].frames);
        EXPECT_NE(images[i].data, nullptr);
        EXPECT_GT(images[i].size, 8u);
    }
}

TEST(ImageTable, FindsImagesByIdAndNothingElse) {
    struct Case {
        int id;
        const char* expectedName; // nullptr: no image
    };
    const Case cases[] = {
        {101, "resources/img/BG.png"},
        {102, "resources/img/BYPASSMAIN.png"},
        {137, "resources/img/ATKCOMP.png"},
        {139, "resources/img/EXTSCCOMP.png"},
        {146, "resources/img/BYPASSCOMP.png"},
        {138, nullptr},
        {100, nullptr},
        {147, nullptr},
        {0, nullptr},
        {-101, nullptr},
        {INT_MIN, nullptr},
        {INT_MAX, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const ImageResource* image = FindImageResource(c.id);
        if (c.expectedName == nullptr) {
            EXPECT_EQ(image, nullptr);
        } else {
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->id, c.id);
            EXPECT_STREQ(image->name, c.expectedName);
        }
    }
}

// The Windows build compiles the same images from TORVIK.rc, generated from
// the same list; it must name exactly the table's IDs and files, in order.
TEST(ImageTable, WindowsResourceScriptListsTheSameImages) {
    std::ifstream rc(TORVIK_RESOURCE_SCRIPT);
    ASSERT_TRUE(rc) << TORVIK_RESOURCE_SCRIPT << " missing";
    const std::regex entry(R"re(^\s*(\d+)\s+PNG\s+"([^"]+)"\s*$)re");
    std::vector<std::pair<int, std::string>> listed;
    std::string line;
    while (std::getline(rc, line)) {
        std::smatch m;
        if (std::regex_match(line, m, entry)) {
            listed.emplace_back(std::stoi(m[1]), m[2]);
        }
    }
    const auto images = ImageResources();
    ASSERT_EQ(listed.size(), images.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i].first, images[i].id);
        // The script names, by full path, the build's frame-indexed copy of each file.
        const std::string& file = listed[i].second;
        const std::string name = images[i].name;
        const std::string base = name.substr(name.rfind('/'));
        ASSERT_GE(file.size(), base.size());
        EXPECT_EQ(file.substr(file.size() - base.size()), base);
        EXPECT_NE(file.find("/generated/img/"), std::string::npos) << file;
    }
}

} // namespace
} // namespace torvik::testing
