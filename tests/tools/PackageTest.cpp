// The release packages made by CPack from this build: the .deb unpacked with dpkg-deb into a
// scratch root must hold the bundle in the system VST 3 folder, the tool on the path and the
// presets where hosts look for them; the tarball must hold everything in one folder. The
// unpacked tool renders through the unpacked bundle, and Ardour's scanner accepts it.
#include "ToolTestSupport.h"

namespace {

using namespace tooltest;

constexpr const char* kVersion = "1.0.0";

class Package : public ToolTest {
protected:
    // Runs a shell command, its output going to the logs; answers its exit status.
    int Shell(const std::string& command) const {
        const int status =
            std::system((command + " >" + Quote((logs / "shell.txt").string()) + " 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }
    std::string ShellLog() const { return Slurp(logs / "shell.txt"); }
};

TEST_F(Package, DebAndTarballHoldTheirLayouts) {
    const fs::path packages = dir / "packages";
    ASSERT_EQ(Shell("cd " + Quote(BUILD_DIR) + " && " + Quote(CPACK_COMMAND) +
                    " --config CPackConfig.cmake -B " + Quote(packages.string())),
              0)
        << ShellLog();
    const fs::path deb = packages / (std::string("torvik_") + kVersion + "_amd64.deb");
    const fs::path tarball =
        packages / (std::string("TORVIK-") + kVersion + "-Linux-x86_64.tar.gz");
    ASSERT_TRUE(fs::exists(deb)) << ShellLog();
    ASSERT_TRUE(fs::exists(tarball)) << ShellLog();

    const fs::path root = dir / "root";
    ASSERT_EQ(Shell("dpkg-deb -x " + Quote(deb.string()) + " " + Quote(root.string())), 0)
        << ShellLog();
    const fs::path bundle = root / "usr/lib/vst3/TORVIK.vst3";
    for (const fs::path& p :
         {bundle / "Contents/x86_64-linux/TORVIK.so", root / "usr/bin/torvik-render",
          root / "usr/share/vst3/presets/Quellmark/TORVIK/Male Vocal.vstpreset",
          root / "usr/share/doc/torvik/README.txt"})
        EXPECT_TRUE(fs::is_regular_file(p)) << p;
    ASSERT_EQ(Shell("dpkg-deb -f " + Quote(deb.string()) + " Package Depends"), 0);
    EXPECT_NE(ShellLog().find("Package: torvik"), std::string::npos) << ShellLog();
    EXPECT_NE(ShellLog().find("libebur128"), std::string::npos) << ShellLog();

    // The unpacked tool and bundle work together.
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, {Noise(4800, 0.3, 2)});
    ASSERT_EQ(Shell(Quote((root / "usr/bin/torvik-render").string()) + " --plugin " +
                    Quote(bundle.string()) + " --preset " +
                    Quote((root / "usr/share/vst3/presets/Quellmark/TORVIK/Male Vocal.vstpreset")
                              .string()) +
                    " " + Quote(P("in.wav")) + " " + Quote(P("out.wav"))),
              0)
        << ShellLog();
    EXPECT_EQ(ReadAudio(dir / "out.wav").Frames(), 4800u);

    ASSERT_EQ(Shell("tar -tzf " + Quote(tarball.string())), 0);
    const std::string listing = ShellLog();
    const std::string top = std::string("TORVIK-") + kVersion + "-Linux-x86_64/";
    for (const char* p : {"TORVIK.vst3/Contents/x86_64-linux/TORVIK.so", "torvik-render",
                          "presets/Male Vocal.vstpreset", "README.txt", "torvik-render.md"})
        EXPECT_NE(listing.find(top + p + "\n"), std::string::npos) << p << "\n" << listing;

    if (std::string(ARDOUR_SCAN).empty())
        GTEST_SKIP() << "Ardour's scanner is not installed (or the build is sanitized)";
    EXPECT_EQ(Shell(std::string(ARDOUR_SCAN) + " " + Quote(bundle.string())), 0) << ShellLog();
}

} // namespace
