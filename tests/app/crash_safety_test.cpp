// The migration killed with SIGKILL at random moments: after every kill each file under a final
// name must be a complete package, byte for byte the one a clean run writes, and a run to the end
// afterwards must reach exactly the clean run's target, with nothing lost, nothing duplicated and
// no temporary file left. Kills land anywhere: listing the target, reading, converting, writing
// the temporary file or renaming it. The tool does not sweep temporary files: a kill leaves at
// most the one of the preset being saved, which is then not in the target, so the rerun saves that
// preset again under the same id and its temporary file is overwritten and renamed away.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "library/package.hpp"
#include "support/run_tool.hpp"

namespace orbi::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Starts the tool with its output thrown away; answers the child's id.
pid_t startTool(const std::vector<std::string>& words) {
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        if (null < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0) _exit(127);
        std::string tool = toolPath();
        std::vector<std::string> copy = words;
        std::vector<char*> argv{tool.data()};
        for (auto& w : copy) argv.push_back(w.data());
        argv.push_back(nullptr);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

// Every file with a final name is a package that reads without a single finding and is the very
// file the clean run wrote; temporary files are only counted.
void expectOnlyCompletePresets(const fs::path& root, const std::map<std::string, std::string>& clean,
                               int& temporaryFiles) {
    for (const auto& [name, bytes] : filesUnder(root)) {
        if (name.ends_with(".tmp")) {
            ++temporaryFiles;
            continue;
        }
        ASSERT_TRUE(name.ends_with(".orbi") || name.ends_with(".json")) << name;
        std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        DiagnosticList diagnostics;
        std::optional<Package> package = readPackage(data, "instance.json", ZipLimits{}, diagnostics);
        ASSERT_TRUE(package) << name << ": " << firstError(diagnostics).value_or("?");
        EXPECT_TRUE(diagnostics.empty()) << name;
        EXPECT_EQ(isZipSignature(data), name.ends_with(".orbi")) << name;
        EXPECT_EQ(stringMemberOr(package->document, "kind", ""), "instance") << name;
        auto same = clean.find(name);
        ASSERT_NE(same, clean.end()) << name << " is not a file of the clean run";
        EXPECT_TRUE(same->second == bytes) << name << " differs from the clean run's";
    }
}

TEST(CrashSafety, KilledRunsLeaveOnlyCompletePresetsAndARerunFinishesTheJob) {
    TempFolder work;
    const fs::path legacy = work / "legacy";
    std::string make = "python3 '" ORBI_SOURCE_DIR "/tools/make-legacy-corpus.py' '" + legacy.string() +
                       "' --count 30 --seed 7 --max-sample-bytes 65536 --max-wavetable-frames 4 >/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const auto legacyBefore = filesUnder(legacy);

    const fs::path cleanRoot = work / "clean";
    const auto started = Clock::now();
    ToolResult clean = runToolBinary({"--from", legacy.string(), "--to", cleanRoot.string()});
    const auto fullRun = Clock::now() - started;
    ASSERT_TRUE(clean.status == 0 || clean.status == 1) << clean.err;
    const auto cleanFiles = filesUnder(cleanRoot);
    ASSERT_GE(cleanFiles.size(), 10u);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<long long> delay(
        0, std::chrono::duration_cast<std::chrono::microseconds>(fullRun).count());

    // Five rounds from an empty target, five kills each, then one run to the end.
    int interrupted = 0;
    int temporaryFiles = 0;
    for (int round = 0; round < 5; ++round) {
        const fs::path root = work / ("crash-" + std::to_string(round));
        for (int kill = 0; kill < 5; ++kill) {
            pid_t pid = startTool({"--from", legacy.string(), "--to", root.string()});
            ASSERT_GT(pid, 0);
            std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
            ::kill(pid, SIGKILL);
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            if (WIFSIGNALED(status)) ++interrupted;
            else ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << status;
            SCOPED_TRACE("round " + std::to_string(round) + ", kill " + std::to_string(kill));
            expectOnlyCompletePresets(root, cleanFiles, temporaryFiles);
        }
        ToolResult last = runToolBinary({"--from", legacy.string(), "--to", root.string()});
        EXPECT_EQ(last.status, clean.status) << last.out;
        EXPECT_EQ(filesUnder(root), cleanFiles) << "round " << round;
    }
    EXPECT_EQ(filesUnder(legacy), legacyBefore);
    // Most first kills of a round land in a running tool; all of them missing would mean the
    // kills tested nothing.
    EXPECT_GE(interrupted, 3);
    RecordProperty("interrupted", interrupted);
    RecordProperty("temporaryFilesSeen", temporaryFiles);
}

}  // namespace
}  // namespace orbi::test
