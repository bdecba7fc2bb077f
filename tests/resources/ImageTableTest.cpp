#include "ImageCatalogue.h"
#include "resources/ImageResources.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

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
    // The 100 % images, then the same at 200 %.
    std::vector<const ImageResource*> images;
    for (const ImageResource& image : ImageResources())
        images.push_back(&image);
    for (const ImageResource& image : ScaledImageResources())
        images.push_back(&image);
    ASSERT_EQ(listed.size(), images.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i].first, images[i]->id);
        // The script names, by full path, the images the build made: the
        // frame-indexed copies of the files and the art drawn at 200 %.
        const std::string& file = listed[i].second;
        const std::string name = images[i]->name;
        const std::string base = name.substr(name.rfind('/'));
        ASSERT_GE(file.size(), base.size());
        EXPECT_EQ(file.substr(file.size() - base.size()), base);
        const char* folder = i < ImageResources().size() ? "/generated/img/" : "/generated/img200/";
        EXPECT_NE(file.find(folder), std::string::npos) << file;
    }
}

// Each image at 200 % is its 100 % image's art at twice the size: same frames,
// every side doubled, so a frame's place in the strip scales exactly.
TEST(ImageTable, ScaledImagesAreTwiceTheSizeWithTheSameFrames) {
    const auto images = ImageResources();
    const auto scaled = ScaledImageResources();
    ASSERT_EQ(scaled.size(), images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE(images[i].name);
        EXPECT_EQ(scaled[i].id, images[i].id + kScaledImageIdOffset);
        EXPECT_EQ(FindImageResource(scaled[i].id), &scaled[i]);
        EXPECT_EQ(scaled[i].frames, images[i].frames);
        const auto size = [](const ImageResource& image, int offset) {
            return static_cast<int>(image.data[offset] << 24 | image.data[offset + 1] << 16 |
                                    image.data[offset + 2] << 8 | image.data[offset + 3]);
        };
        EXPECT_EQ(size(scaled[i], 16), 2 * size(images[i], 16)) << "width";
        EXPECT_EQ(size(scaled[i], 20), 2 * size(images[i], 20)) << "height";
    }
}

} // namespace
} // namespace torvik::testing
