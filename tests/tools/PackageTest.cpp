// The release packages made by CPack from this build. The .deb unpacked with dpkg-deb into a
// scratch root must hold the VST 3 bundle, the CLAP file and the LV2 bundle in the system
// folders of their formats (each one loads and processes through our host kits), the tool on the
// path with its manual page, the presets where hosts look for them, and the licence and changelog
// where Debian wants them; its binaries are stripped and their debug information is in the .ddeb;
// lintian finds no error and no warning. The tarball holds everything in one folder, the .rpm
// the .deb's layout. Each carries the manual. The unpacked tool renders through the unpacked
// bundle, finds a bundle in
// ~/.vst3 on its own and names the folders it searched when there is none; Ardour's scanner
// accepts the bundle.
#include "ToolTestSupport.h"
#include "hostkit/clap/ClapHost.h"
#include "hostkit/lv2/Lv2Host.h"
#include "lv2/Lv2Identity.h"
#include "processor/ParameterTable.h"

#include <cmath>
#include <iostream>

namespace {

using namespace torvik::testing;

constexpr const char* kVersion = "1.0.0";
constexpr const char* kPresets = "usr/share/vst3/presets/Quellmark/TORVIK";
constexpr const char* kClapFile = "usr/lib/clap/TORVIK.clap";
constexpr const char* kLv2Bundle = "usr/lib/lv2/TORVIK.lv2";
constexpr std::uint32_t kFrames = 256;

// A tone on both channels.
std::vector<float> Tone() {
    std::vector<float> tone(kFrames);
    for (std::uint32_t i = 0; i < kFrames; ++i)
        tone[i] = static_cast<float>(0.3 * std::sin(0.05 * i));
    return tone;
}

// Finite and not silent.
bool Heard(const std::vector<float>& samples) {
    float peak = 0.0f;
    for (float v : samples) {
        if (!std::isfinite(v))
            return false;
        peak = std::max(peak, std::fabs(v));
    }
    return peak > 0.01f;
}

class Package : public ToolTest {
protected:
    // Runs a shell command, its output going to the logs; answers its exit status.
    int Shell(const std::string& command) const {
        const int status =
            std::system((command + " >" + Quote((logs / "shell.txt").string()) + " 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }
    std::string ShellLog() const { return Slurp(logs / "shell.txt"); }

    // What `file` says of each binary the packages carry.
    void ExpectStripped(const fs::path& root) {
        for (const char* p :
             {"usr/bin/torvik-render", "usr/lib/vst3/TORVIK.vst3/Contents/x86_64-linux/TORVIK.so",
              kClapFile, "usr/lib/lv2/TORVIK.lv2/TORVIK.so"}) {
            ASSERT_EQ(Shell("file -b " + Quote((root / p).string())), 0);
            EXPECT_NE(ShellLog().find(", stripped"), std::string::npos) << p << ": " << ShellLog();
        }
    }

    void CheckDeb(const fs::path& deb, const fs::path& root) {
        ASSERT_EQ(Shell("dpkg-deb -x " + Quote(deb.string()) + " " + Quote(root.string())), 0)
            << ShellLog();
        for (const fs::path& p :
             {root / "usr/lib/vst3/TORVIK.vst3/Contents/x86_64-linux/TORVIK.so", root / kClapFile,
              root / kLv2Bundle / "TORVIK.so", root / kLv2Bundle / "manifest.ttl",
              root / kLv2Bundle / "TORVIK.ttl", root / "usr/bin/torvik-render",
              root / kPresets / "Male Vocal.vstpreset", root / "usr/share/doc/torvik/README.txt",
              root / "usr/share/doc/torvik/copyright", root / "usr/share/doc/torvik/changelog.gz",
              root / "usr/share/doc/torvik/manual/index.html",
              root / "usr/share/doc/torvik/manual/signal-flow.svg",
              root / "usr/share/doc/torvik/manual/stage-gate.png",
              root / "usr/share/doc-base/torvik-manual",
              root / "usr/share/man/man1/torvik-render.1.gz"})
            EXPECT_TRUE(fs::is_regular_file(p)) << p;
        ExpectStripped(root);

        ASSERT_EQ(
            Shell("dpkg-deb -f " + Quote(deb.string()) + " Package Version Depends Description"),
            0);
        const std::string control = ShellLog();
        EXPECT_NE(control.find("Package: torvik\n"), std::string::npos) << control;
        EXPECT_NE(control.find(std::string("Version: ") + kVersion + "\n"), std::string::npos);
        EXPECT_NE(control.find("libebur128"), std::string::npos) << control;
        EXPECT_NE(control.find("\n a compressor"), std::string::npos) << "extended description\n"
                                                                      << control;

        // The changelog's newest entry is this version; the copyright names our licence and
        // every library the Windows module carries inside.
        ASSERT_EQ(Shell("zcat " + Quote((root / "usr/share/doc/torvik/changelog.gz").string()) +
                        " | head -n 1"),
                  0);
        EXPECT_EQ(ShellLog().rfind(std::string("torvik (") + kVersion + ")", 0), 0u) << ShellLog();
        const std::string copyright = Slurp(root / "usr/share/doc/torvik/copyright");
        for (const char* stanza :
             {"Copyright: 2026 Quellmark\nLicense: Expat\n", "Files: windows/zlib/*",
              "Files: windows/libpng/*", "Files: windows/highway/*",
              "Files: windows/mingw-w64-crt/*", "Files: windows/winpthreads/*", "License: Zlib\n",
              "License: libpng-2.0\n", "License: Apache-2.0\n", "License: ZPL-2.1\n",
              "GCC RUNTIME LIBRARY EXCEPTION"})
            EXPECT_NE(copyright.find(stanza), std::string::npos) << stanza;

        // The manual page is a page about this tool.
        ASSERT_EQ(Shell("LC_ALL=C MANWIDTH=200 man -l " +
                        Quote((root / "usr/share/man/man1/torvik-render.1.gz").string()) +
                        " | col -b"),
                  0)
            << ShellLog();
        for (const char* text :
             {"torvik-render - render audio files", "--normalize", "/usr/lib/vst3"})
            EXPECT_NE(ShellLog().find(text), std::string::npos) << text << "\n" << ShellLog();
    }

    void CheckDebugSymbols(const fs::path& ddeb) {
        ASSERT_TRUE(fs::exists(ddeb)) << ddeb;
        ASSERT_EQ(Shell("dpkg-deb -c " + Quote(ddeb.string()) + " | grep -c '\\.debug$'"), 0);
        EXPECT_EQ(std::stoi(ShellLog()), 4) << "debug files of the three modules and the tool";
    }

    void CheckLintian(const fs::path& deb) {
        ASSERT_FALSE(std::string(LINTIAN).empty()) << "lintian is not installed";
        if (std::string(LINTIAN) == "sanitized") {
            std::cout << "lintian: left to the unsanitized builds\n";
            return;
        }
        EXPECT_EQ(Shell(std::string(LINTIAN) + " --fail-on error,warning " + Quote(deb.string())),
                  0)
            << ShellLog();
    }

    void CheckTarball(const fs::path& tarball) {
        ASSERT_EQ(Shell("tar -tzf " + Quote(tarball.string())), 0);
        const std::string listing = ShellLog();
        const std::string top = std::string("TORVIK-") + kVersion + "-Linux-x86_64/";
        for (const char* p :
             {"TORVIK.vst3/Contents/x86_64-linux/TORVIK.so", "TORVIK.clap", "TORVIK.lv2/TORVIK.so",
              "TORVIK.lv2/manifest.ttl", "TORVIK.lv2/TORVIK.ttl", "torvik-render",
              "torvik-render.1.gz", "presets/Male Vocal.vstpreset", "README.txt",
              "torvik-render.md", "copyright", "changelog.gz", "manual/index.html",
              "manual/presets/male-vocal.png"})
            EXPECT_NE(listing.find(top + p + "\n"), std::string::npos) << p << "\n" << listing;
    }

    void CheckRpm(const fs::path& rpm) {
        ASSERT_TRUE(fs::exists(rpm)) << rpm;
        ASSERT_EQ(
            Shell("rpm -qp --qf '%{NAME} %{VERSION} %{LICENSE}\\n' -l " + Quote(rpm.string())), 0)
            << ShellLog();
        const std::string listing = ShellLog();
        EXPECT_EQ(listing.rfind(std::string("torvik ") + kVersion + " MIT\n", 0), 0u) << listing;
        for (const char* p :
             {"/usr/lib/vst3/TORVIK.vst3/Contents/x86_64-linux/TORVIK.so",
              "/usr/lib/clap/TORVIK.clap", "/usr/lib/lv2/TORVIK.lv2/TORVIK.so",
              "/usr/lib/lv2/TORVIK.lv2/manifest.ttl", "/usr/lib/lv2/TORVIK.lv2/TORVIK.ttl",
              "/usr/bin/torvik-render", "/usr/share/man/man1/torvik-render.1.gz",
              "/usr/share/doc/torvik/copyright",
              "/usr/share/vst3/presets/Quellmark/TORVIK/Male Vocal.vstpreset"})
            EXPECT_NE(listing.find(std::string(p) + "\n"), std::string::npos) << p << "\n"
                                                                              << listing;
        const fs::path root = dir / "rpm-root";
        fs::create_directories(root);
        ASSERT_EQ(Shell("cd " + Quote(root.string()) + " && rpm2cpio " + Quote(rpm.string()) +
                        " | cpio -idm --quiet"),
                  0)
            << ShellLog();
        ExpectStripped(root);
    }

    // The unpacked CLAP file describes TORVIK, and an instance of it processes.
    void CheckClapLoads(const fs::path& root) {
        hostkit::clap::ClapModule module((root / kClapFile).string());
        ASSERT_TRUE(module.Loaded()) << module.Error();
        const clap_plugin_factory* factory = module.Factory();
        ASSERT_NE(factory, nullptr);
        ASSERT_EQ(factory->get_plugin_count(factory), 1u);
        const clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, 0);
        ASSERT_NE(d, nullptr);
        EXPECT_STREQ(d->name, "TORVIK");
        EXPECT_STREQ(d->version, kVersion);
        hostkit::clap::ClapHost host;
        hostkit::clap::ClapInstance plugin(module, host, d->id);
        ASSERT_TRUE(plugin.Activate(48000, 1, kFrames));
        hostkit::clap::PortBuffers<float> in(2, kFrames), out(2, kFrames);
        const std::vector<float> tone = Tone(); // copied in: the buffers' pointers stay valid
        std::copy(tone.begin(), tone.end(), in[0].begin());
        std::copy(tone.begin(), tone.end(), in[1].begin());
        EXPECT_EQ(plugin.Process(kFrames, {in.Buffer()}, {out.Buffer()}), CLAP_PROCESS_CONTINUE);
        EXPECT_TRUE(Heard(out[0]) && Heard(out[1]));
    }

    // The unpacked LV2 bundle: lilv reads its Turtle from the system folder's layout, and its
    // binary gives an instance that processes.
    void CheckLv2Loads(const fs::path& root) {
        if (!std::string(LV2INFO).empty()) {
            ASSERT_EQ(Shell("LV2_PATH=" + Quote((root / "usr/lib/lv2").string()) + " " +
                            std::string(LV2INFO) + " " + torvik::lv2::kPluginUri),
                      0)
                << ShellLog();
            EXPECT_NE(ShellLog().find("Name:              TORVIK"), std::string::npos)
                << ShellLog();
            EXPECT_NE(ShellLog().find((root / kLv2Bundle / "TORVIK.so").string()),
                      std::string::npos)
                << ShellLog();
        }
        hostkit::lv2::Lv2Library library((root / kLv2Bundle / "TORVIK.so").string());
        ASSERT_TRUE(library.Error().empty()) << library.Error();
        using namespace torvik::lv2;
        const int params = torvik::kTorvikParamCount;
        hostkit::lv2::Lv2Instance instance(library.Descriptor(kPluginUri), 48000,
                                           FirstMeterPort(params) + 5);
        ASSERT_TRUE(instance.Created());
        for (int i = 0; i < params; ++i)
            instance.Control(ParamPort(i)) = static_cast<float>(torvik::ParamRowAt(i).defaultValue);
        instance.Control(EnabledPort(params)) = 1.0f;
        std::vector<float> in = Tone();
        std::vector<float> out[2] = {std::vector<float>(kFrames), std::vector<float>(kFrames)};
        instance.ConnectAudio(kInLeft, in.data());
        instance.ConnectAudio(kInRight, in.data());
        instance.ConnectAudio(kOutLeft, out[0].data());
        instance.ConnectAudio(kOutRight, out[1].data());
        // No sidechain: its optional ports connect to nothing (the kit connects every port to
        // its control value until told otherwise).
        instance.ConnectAudio(kSidechainLeft, nullptr);
        instance.ConnectAudio(kSidechainRight, nullptr);
        instance.Activate();
        instance.Run(kFrames);
        EXPECT_TRUE(Heard(out[0]) && Heard(out[1]));
    }

    // The unpacked tool, with nothing but the scratch folder as its home.
    void CheckToolSearch(const fs::path& root) {
        const fs::path tool = root / "usr/bin/torvik-render";
        const fs::path home = dir / "home";
        fs::create_directories(home);
        WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, {Noise(4800, 0.3, 2)});
        const std::string render = "HOME=" + Quote(home.string()) + " " + Quote(tool.string()) +
                                   " " + Quote(P("in.wav")) + " " + Quote(P("searched.wav"));
        const bool installedOnThisMachine = fs::exists("/usr/lib/vst3/TORVIK.vst3") ||
                                            fs::exists("/usr/local/lib/vst3/TORVIK.vst3");
        if (!installedOnThisMachine) {
            EXPECT_EQ(Shell(render), 1) << ShellLog();
            EXPECT_NE(ShellLog().find("no TORVIK.vst3 beside this program or in " +
                                      (home / ".vst3").string() +
                                      ", /usr/lib/vst3 or /usr/local/lib/vst3; give one with "
                                      "--plugin"),
                      std::string::npos)
                << ShellLog();
        }
        fs::create_directories(home / ".vst3");
        fs::copy(root / "usr/lib/vst3/TORVIK.vst3", home / ".vst3/TORVIK.vst3",
                 fs::copy_options::recursive);
        EXPECT_EQ(Shell(render), 0) << ShellLog();
        EXPECT_EQ(ReadAudio(dir / "searched.wav").Frames(), 4800u);
    }
};

TEST_F(Package, DebDebugSymbolsTarballAndRpmHoldTheirLayouts) {
    const fs::path packages = dir / "packages";
    ASSERT_EQ(Shell("cd " + Quote(BUILD_DIR) + " && " + Quote(CPACK_COMMAND) +
                    " --config CPackConfig.cmake -B " + Quote(packages.string())),
              0)
        << ShellLog();
    const std::string version = kVersion;
    const fs::path deb = packages / ("torvik_" + version + "_amd64.deb");
    const fs::path root = dir / "root";
    ASSERT_TRUE(fs::exists(deb)) << ShellLog();
    CheckDeb(deb, root);
    CheckClapLoads(root);
    CheckLv2Loads(root);
    CheckDebugSymbols(packages / ("torvik-dbgsym_" + version + "_amd64.ddeb"));
    CheckLintian(deb);
    CheckTarball(packages / ("TORVIK-" + version + "-Linux-x86_64.tar.gz"));
    CheckRpm(packages / ("torvik-" + version + "-1.x86_64.rpm"));

    // The unpacked tool and bundle work together.
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, {Noise(4800, 0.3, 2)});
    const fs::path bundle = root / "usr/lib/vst3/TORVIK.vst3";
    ASSERT_EQ(Shell(Quote((root / "usr/bin/torvik-render").string()) + " --plugin " +
                    Quote(bundle.string()) + " --preset " +
                    Quote((root / kPresets / "Male Vocal.vstpreset").string()) + " " +
                    Quote(P("in.wav")) + " " + Quote(P("out.wav"))),
              0)
        << ShellLog();
    EXPECT_EQ(ReadAudio(dir / "out.wav").Frames(), 4800u);
    CheckToolSearch(root);

    if (std::string(ARDOUR_SCAN).empty())
        GTEST_SKIP() << "Ardour's scanner is not installed (or the build is sanitized)";
    EXPECT_EQ(Shell(std::string(ARDOUR_SCAN) + " " + Quote(bundle.string())), 0) << ShellLog();
}

} // namespace
