// Text and environment through the platform layer: UTF-8 to the system's paths and back (the
// standard library's char8_t paths serve as the independent conversion), text that is no valid
// UTF-8 or UTF-16, environment variables, the temporary folder and error texts.
#include <gtest/gtest.h>

#include "platform/platform.hpp"
#include "support/host.hpp"

namespace orbi {
namespace {

namespace fs = std::filesystem;
namespace pf = platform;

fs::path u8path(std::string_view utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

const std::string kSeparator(1, static_cast<char>(fs::path::preferred_separator));

TEST(PlatformText, Utf8RoundTripsThroughTheSystemsPaths) {
    for (std::string name : {"plain.obpreset", "B\xC3\xA4sse und H\xC3\xB6hen", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.obsz",
                             "pad \xF0\x9F\x8E\xB9 wide", "\xCE\xA9\xE2\x89\x88\xC3\xA7 \xE2\x88\x9A", ""}) {
        const pf::Path p = pf::pathFromUtf8(name);
        EXPECT_EQ(p, u8path(name)) << name;
        EXPECT_EQ(pf::pathToUtf8(p), name);
        EXPECT_EQ(pf::pathToUtf8(pf::pathFromUtf8("Presets") / p), name.empty() ? "Presets" + kSeparator : "Presets" + kSeparator + name);
    }
    // A character outside the basic plane is one surrogate pair on Windows, four bytes on POSIX.
    const pf::Path keyboard = pf::pathFromUtf8("\xF0\x9F\x8E\xB9");
    EXPECT_EQ(keyboard.native().size(), test::runningOnWindows() ? 2u : 4u);
    // ASCII is the same path whatever the narrow code page.
    EXPECT_EQ(pf::pathFromNarrow("Quillmark/Orbitrone"), pf::pathFromUtf8("Quillmark/Orbitrone"));
}

TEST(PlatformText, TextThatIsNoUnicodeNeitherCrashesNorVanishes) {
    // A path unit with no meaning as text (a lone surrogate, a stray byte) shows as the host says.
    EXPECT_EQ(pf::pathToUtf8(test::nameWithInvalidUnit("bad", ".obpreset")), "bad" + test::invalidUnitAsUtf8() + ".obpreset");
    EXPECT_EQ(pf::pathToUtf8(test::nameWithInvalidUnit("", "")), test::invalidUnitAsUtf8());

    // Bytes that are no UTF-8: Windows paths hold each bad sequence as U+FFFD, POSIX paths keep
    // the bytes.
    const std::string bad = "x\xC3(\xFF";
    EXPECT_EQ(pf::pathToUtf8(pf::pathFromUtf8(bad)),
              test::runningOnWindows() ? "x\xEF\xBF\xBD(\xEF\xBF\xBD" : bad);
}

TEST(PlatformEnvironment, NarrowAndWideReads) {
    const char* name = "ORBI_PLATFORM_TEST_VARIABLE";
    test::setEnvironment(name, std::nullopt);
    EXPECT_FALSE(pf::environmentNarrow(name));
    EXPECT_FALSE(pf::environmentPath(name));

    // Set but empty is not unset.
    test::setEnvironment(name, "");
    EXPECT_EQ(pf::environmentNarrow(name), std::optional<std::string>(""));
    EXPECT_EQ(pf::environmentPath(name), std::optional<pf::Path>(pf::Path()));

    const std::string ascii = test::runningOnWindows() ? "C:\\Users\\Some One\\AppData\\Roaming" : "/home/some one/.data";
    test::setEnvironment(name, ascii);
    EXPECT_EQ(pf::environmentNarrow(name), std::optional<std::string>(ascii));
    EXPECT_EQ(pf::environmentPath(name), std::optional<pf::Path>(pf::pathFromUtf8(ascii)));

    // The wide read keeps every character; a value far longer than any first guess comes whole.
    const std::string wide = "\xC3\x9C" "ber \xCE\xA9 \xE6\x97\xA5" + std::string(3000, 'x');
    test::setEnvironment(name, wide);
    EXPECT_EQ(pf::environmentPath(name), std::optional<pf::Path>(pf::pathFromUtf8(wide)));
    if (!test::runningOnWindows()) {
        EXPECT_EQ(pf::environmentNarrow(name), std::optional<std::string>(wide));
    }
    test::setEnvironment(name, std::nullopt);
}

TEST(PlatformEnvironment, TemporaryAndPerUserFolders) {
    std::string error;
    const std::optional<pf::Path> temp = pf::temporaryFolder(error);
    ASSERT_TRUE(temp) << error;
    EXPECT_TRUE(pf::isDirectory(*temp));
    EXPECT_TRUE(fs::is_directory(*temp));

    if (test::runningOnWindows()) {
        EXPECT_FALSE(pf::userDataFallback()) << "APPDATA is the per-user folder on Windows";
        return;
    }
    const std::optional<std::string> xdg = pf::environmentNarrow("XDG_DATA_HOME");
    test::setEnvironment("XDG_DATA_HOME", "/data/home");
    EXPECT_EQ(pf::userDataFallback(), std::optional<pf::Path>("/data/home"));
    test::setEnvironment("XDG_DATA_HOME", xdg);
}

TEST(PlatformErrors, SystemTextsAreTheSystemsWordingTrimmed) {
    // 2 is "no such file" both as errno and as a Win32 code; 5 is "access denied" on Windows.
    for (int code : {2, 5, 13, 123}) {
        const std::string text = pf::systemErrorText(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_NE(text.back(), '\n') << code;
        EXPECT_NE(text.back(), '\r') << code;
        EXPECT_NE(text.back(), ' ') << code;
    }
    EXPECT_NE(pf::systemErrorText(2), pf::systemErrorText(5));
}

TEST(PlatformProcess, CommandLineWordsAfterTheProgramName) {
    if (test::runningOnWindows()) {
        // The words come from the process's own wide command line; the tool runs under
        // ToolOnThisSystem show that names outside the code page arrive whole.
        GTEST_SKIP() << "Windows reads its own command line, not argv; covered by the tool runs";
    }
    std::string program = "orbitrone-migrate-presets", from = "--from", folder = "\xC3\x84ltere Presets";
    char* argv[] = {program.data(), from.data(), folder.data(), nullptr};
    EXPECT_EQ(pf::commandLineWords(3, argv), (std::vector<std::string>{"--from", folder}));
    EXPECT_TRUE(pf::commandLineWords(1, argv).empty());
    EXPECT_TRUE(pf::commandLineWords(0, nullptr).empty());
}

}  // namespace
}  // namespace orbi
