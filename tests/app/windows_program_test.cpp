// The Windows program as its users get it: a window of its own waits for Enter, the .exe carries
// its manifest and version, and a file another program holds open is waited for, then failed.
#include <gtest/gtest.h>

#include <sstream>

#include "app/tool.hpp"
#include "platform/platform.hpp"
#include "support/host.hpp"

namespace orbi::test {
namespace {

TEST(WindowsProgram, AWindowOfItsOwnWaitsForEnterAndRedirectedOutputDoesNot) {
    std::istringstream in("\nnot read\n");
    std::ostringstream out;
    waitBeforeClosing(in, out);
    EXPECT_EQ(out.str(), "Press Enter to close this window.\n");
    EXPECT_EQ(in.tellg(), 1);  // one line taken, no more

    TempFolder t;
    const ToolResult redirected = runToolBinary({"--from", (t / "none").string(), "--to", (t / "root").string()});
    EXPECT_EQ(redirected.out.find("Press Enter"), std::string::npos) << redirected.out;
    EXPECT_EQ(redirected.status, 0);
    // Detected the way the program does: the console's process list holds it alone and its output
    // is a character device.
    const std::optional<OwnWindowRun> own = runToolInOwnWindow({"--from", (t / "none").string(), "--to", (t / "root").string()});
    if (!own) GTEST_SKIP() << "programs get console windows of their own on Windows only";
    EXPECT_TRUE(own->waitedForEnter);
    EXPECT_EQ(own->status, 0);
}

TEST(WindowsProgram, TheExeCarriesItsManifestAndVersion) {
    const std::optional<ExeResources> resources = readExeResources(toolPath());
    if (!resources) GTEST_SKIP() << "a Windows .exe's resources are read on Windows only";
    for (const char* part : {R"(level="asInvoker")", ">true</longPathAware>", ">UTF-8</activeCodePage>",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
        EXPECT_NE(resources->manifest.find(part), std::string::npos) << part << " in\n" << resources->manifest;
    }
    EXPECT_EQ(resources->version, (std::map<std::string, std::string>{
                                      {"CompanyName", "Quillmark"},
                                      {"FileDescription", "Orbitrone preset migration"},
                                      {"FileVersion", ORBI_VERSION},
                                      {"OriginalFilename", "orbitrone-migrate-presets.exe"},
                                      {"ProductName", "Orbitrone Migrate Presets"},
                                      {"ProductVersion", ORBI_VERSION}}));
}

TEST(WindowsProgram, AFileHeldOpenBrieflyIsWaitedForAndOneHeldLongerFailsOnlyItsPreset) {
    TempFolder t;
    for (int i = 0; i < 20; ++i) {
        const std::string name = "p" + std::to_string(10 + i);
        writeFile(t / "legacy" / (name + ".obpreset"), R"({"name":")" + name + R"(","version":6})");
    }
    for (const auto& [held, root] : {std::pair{std::chrono::milliseconds(400), "brief"}, {std::chrono::milliseconds(8000), "long"}}) {
        const std::filesystem::path temp = t / root / "orbitrone" / "uncategorized" / "p12.json.tmp";
        std::optional<std::thread> holder = holdFileWhenItAppears(temp, held);
        if (!holder) GTEST_SKIP() << "only Windows keeps a file held open from being renamed";
        const ToolResult r = runToolBinary({"--from", (t / "legacy").string(), "--to", (t / root).string()});
        holder->join();
        if (held.count() < 1000) {
            EXPECT_EQ(r.status, 0) << r.out;
            EXPECT_NE(r.out.find("20 migrated, 0 failed, 0 kept."), std::string::npos) << r.out;
        } else {
            // 32: the file is being used by another process.
            const std::string line = "  failed    p12.obpreset  (Could not write " + platform::pathToUtf8(temp) + ": " +
                                     platform::systemErrorText(32) + ")\n";
            EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
            EXPECT_NE(r.out.find("19 migrated, 1 failed, 0 kept."), std::string::npos) << r.out;
            EXPECT_EQ(r.status, 1);
        }
    }
}

}  // namespace
}  // namespace orbi::test
