#include "resources/PlatformResources.h"
#include "resources/ImageResources.h"

#include <gtest/gtest.h>

#include <cstring>

namespace torvik::platform {
namespace {

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// The sequence the editor's image loader runs, on any module handle.
TEST(PlatformResources, FindSizeLoadLockGiveTheImageBytes) {
    const HMODULE modules[] = {nullptr, reinterpret_cast<HMODULE>(&kPngSignature)};
    for (HMODULE module : modules) {
        for (const ImageResource& image : ImageResources()) {
            SCOPED_TRACE(image.id);
            HRSRC info = FindResourceA(module, MakeIntResourceA(image.id), "PNG");
            ASSERT_NE(info, nullptr);
            EXPECT_EQ(SizeofResource(module, info), image.size);
            HGLOBAL loaded = LoadResource(module, info);
            ASSERT_NE(loaded, nullptr);
            const auto* bytes = static_cast<const unsigned char*>(LockResource(loaded));
            EXPECT_EQ(bytes, image.data);
            ASSERT_NE(bytes, nullptr);
            EXPECT_EQ(std::memcmp(bytes, kPngSignature, 8), 0);
        }
    }
}

TEST(PlatformResources, FindResourceAnswersOnlyExistingPngIds) {
    struct Case {
        const char* what;
        const char* name;
        const char* type;
        int expectedId; // 0: not found
    };
    const Case cases[] = {
        {"numeric id", MakeIntResourceA(145), "PNG", 145},
        {"type in small letters", MakeIntResourceA(101), "png", 101},
        {"numbered name", "#120", "PNG", 120},
        {"missing id 138", MakeIntResourceA(138), "PNG", 0},
        {"id below range", MakeIntResourceA(100), "PNG", 0},
        {"id above range", MakeIntResourceA(147), "PNG", 0},
        {"id 0", MakeIntResourceA(0), "PNG", 0},
        {"other type", MakeIntResourceA(101), "BMP", 0},
        {"type with suffix", MakeIntResourceA(101), "PNGX", 0},
        {"numeric type", MakeIntResourceA(101), MakeIntResourceA(2), 0},
        {"null type", MakeIntResourceA(101), nullptr, 0},
        {"file name instead of id", "resources/img/BG.png", "PNG", 0},
        {"bare hash", "#", "PNG", 0},
        {"hash with letters", "#12a", "PNG", 0},
        {"huge number", "#99999999999999999999", "PNG", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HRSRC info = FindResourceA(nullptr, c.name, c.type);
        if (c.expectedId == 0) {
            EXPECT_EQ(info, nullptr);
        } else {
            ASSERT_NE(info, nullptr);
            EXPECT_EQ(info->id, c.expectedId);
        }
    }
}

TEST(PlatformResources, MissingResourceGivesZeroSizeAndNoData) {
    EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);
    EXPECT_EQ(LoadResource(nullptr, nullptr), nullptr);
    EXPECT_EQ(LockResource(nullptr), nullptr);
}

} // namespace
} // namespace torvik::platform
