// The helper as the program runs it: a child process spoken to through pipes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/Netlist.h"
#include "sim/Protocol.h"
#include "sim/Report.h"
#include "tests/storage/TempDir.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

using storage_test::TempDir;

// tindrel-spice started in `dir` with `env` as its whole environment.
class Helper {
public:
    Helper(const fs::path& dir, std::vector<std::string> env) {
        int in[2];
        int out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            if (::chdir(dir.c_str()) != 0) ::_exit(126);
            std::vector<char*> envp;
            for (std::string& entry : env) envp.push_back(entry.data());
            envp.push_back(nullptr);
            char* argv[] = {const_cast<char*>(TINDREL_SPICE_HELPER), nullptr};
            ::execve(TINDREL_SPICE_HELPER, argv, envp.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        to_ = in[1];
        from_ = ::fdopen(out[0], "r");
    }
    ~Helper() {
        ::close(to_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        if (from_ != nullptr) std::fclose(from_);
    }

    // The answer line to one request line, without its "\n".
    std::string Ask(const std::string& line) {
        const std::string sent = line + "\n";
        if (::write(to_, sent.data(), sent.size()) != static_cast<ssize_t>(sent.size())) return "";
        char buffer[1024];
        if (std::fgets(buffer, sizeof buffer, from_) == nullptr) return "";
        std::string answer = buffer;
        if (!answer.empty() && answer.back() == '\n') answer.pop_back();
        return answer;
    }

    // The worked example with a part, as the picture's description reads it.
    std::string Described(const std::string& part) {
        const std::optional<Answer> answer =
            ParseAnswer(Ask(FormatRequest({part, 12, 22000, 4700, 2200, 470})));
        if (!answer || !answer->point) return "no point";
        return Description(part, Status::Of(*answer->point));
    }

private:
    pid_t pid_ = -1;
    int to_ = -1;
    FILE* from_ = nullptr;
};

// The values ngspice 39.3's own command-line program gives.
const std::pair<const char*, const char*> kWorkedExample[] = {
    {"2N3904",
     " SPICE with 2N3904: Vce = 4.376 V, Ic = 2.853e-3 A, Vbe = 692.4e-3 V, Ic/Ib = 156.0."},
    {"2N2222A",
     " SPICE with 2N2222A: Vce = 4.237 V, Ic = 2.907e-3 A, Vbe = 672.6e-3 V, Ic/Ib = 169.2."},
    {"BC547B",
     " SPICE with BC547B: Vce = 4.036 V, Ic = 2.981e-3 A, Vbe = 667.4e-3 V, Ic/Ib = 294.2."},
};

TEST(HelperTest, WorkedExampleWithEachPart) {
    TempDir dir;
    Helper helper(dir.path(), {"HOME=" + dir.path().string(), "TMPDIR=" + dir.path().string()});
    for (const auto& [part, expected] : kWorkedExample) EXPECT_EQ(helper.Described(part), expected);
    // Its private folder is gone while it runs: one killed now leaves nothing.
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

bool HasGermanLocale() {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) return true;
    // Made here when missing, as make test's set-up does.
    if (::geteuid() == 0 && std::system("localedef -i de_DE -f UTF-8 de_DE.UTF-8") == 0) {
        return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    }
    return false;
}

// Both this side, which writes the requests, and the helper run under a
// decimal-comma locale, where "1,5k" would read as 1 ohm.
TEST(HelperTest, SameNumbersUnderADecimalCommaLocale) {
    if (!HasGermanLocale()) GTEST_SKIP() << "de_DE.UTF-8 is missing and cannot be generated here";
    TempDir dir;
    Helper helper(dir.path(),
                  {"HOME=" + dir.path().string(), "LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"});
    for (const auto& [part, expected] : kWorkedExample) EXPECT_EQ(helper.Described(part), expected);
    std::setlocale(LC_ALL, "C");
}

// A .spiceinit may run shell commands; one in the working folder and in HOME
// must not be read, while ngspice's own program does read it.
TEST(HelperTest, SpiceinitOfTheUsersIsNotRun) {
    TempDir dir;
    const fs::path marker = dir.path() / "ran";
    std::ofstream(dir.path() / ".spiceinit")
        << "* start-up file\nshell touch " << marker.string() << "\n";
    const std::string home = "HOME=" + dir.path().string();
    // ngspice's own program, where installed, shows that the file would run.
    const std::string cli = "command -v ngspice >/dev/null || exit 0; cd '" + dir.path().string() +
                            "' && env -i " + home +
                            " PATH=/usr/bin:/bin ngspice -b /dev/null >/dev/null 2>&1; exit 1";
    if (std::system(cli.c_str()) != 0) {
        ASSERT_TRUE(fs::exists(marker)) << "the file would not run anyway: the test proves nothing";
        fs::remove(marker);
    }
    Helper helper(dir.path(), {home});
    EXPECT_EQ(helper.Described("2N3904"), kWorkedExample[0].second);
    EXPECT_FALSE(fs::exists(marker));
}

// The netlist as ngspice's own program runs it gives the helper's point, for
// stages away from the worked example too.
TEST(HelperTest, AgreesWithNgspicesOwnProgram) {
    if (std::system("command -v ngspice >/dev/null") != 0) {
        GTEST_SKIP() << "ngspice's own program is not installed (make test installs it)";
    }
    TempDir dir;
    Helper helper(dir.path(), {"HOME=" + dir.path().string()});
    const Request stages[] = {{"BC547B", 5, 10000, 2200, 1000, 220},
                              {"2N2222A", 30, 100000, 4700, 10000, 1000},
                              {"2N3904", 9, 47000, 10000, 470, 100}};
    for (const Request& stage : stages) {
        const std::optional<Answer> answer = ParseAnswer(helper.Ask(FormatRequest(stage)));
        ASSERT_TRUE(answer && answer->point) << stage.part;
        const fs::path netlist = dir.path() / "stage.cir";
        std::ofstream file(netlist);
        std::vector<std::string> lines = BuildNetlist(stage);
        lines.insert(
            lines.end() - 1,
            {".control", "op", "print @q1[ic] @q1[ib] v(coll)-v(emit) v(base)-v(emit)", ".endc"});
        for (const std::string& line : lines) file << line << "\n";
        file.close();
        const std::string command = "cd '" + dir.path().string() + "' && ngspice -b stage.cir 2>&1";
        FILE* out = ::popen(command.c_str(), "r");
        ASSERT_NE(out, nullptr);
        std::vector<double> printed;
        char line[512];
        while (std::fgets(line, sizeof line, out) != nullptr) {
            const std::string text = line;
            const std::size_t equals = text.find(" = ");
            if (equals != std::string::npos && (text[0] == '@' || text[0] == 'v')) {
                printed.push_back(std::strtod(text.c_str() + equals + 3, nullptr));
            }
        }
        ::pclose(out);
        ASSERT_EQ(printed.size(), 4u) << stage.part;
        const Point& point = *answer->point;
        const double helperValues[] = {point.Ic, point.Ib, point.Vce, point.Vbe};
        // The program prints seven significant digits.
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(helperValues[i], printed[i], 1e-6 * std::fabs(printed[i]))
                << stage.part << i;
        }
    }
}

// Every line gets its answer, in order, and a refused one leaves the helper
// working.
TEST(HelperTest, RefusesWhatItDoesNotSimulate) {
    TempDir dir;
    Helper helper(dir.path(), {"HOME=" + dir.path().string()});
    EXPECT_EQ(helper.Ask("TSP/1 op 2N3904 1,5 22000 4700 2200 470"), "TSP/1 error request");
    EXPECT_EQ(helper.Ask("TSP/1 op 2N3904 12 22000 4700 2200 " + std::string(5000, '4')),
              "TSP/1 error request");
    EXPECT_EQ(helper.Ask("TSP/1 op 2N3904 1000000000 22000 4700 2200 470"), "TSP/1 error input");
    EXPECT_EQ(helper.Ask("TSP/1 op BC547B 12 22000 -4700 2200 470"), "TSP/1 error input");
    EXPECT_EQ(helper.Ask(".control"), "TSP/1 error request");
    EXPECT_EQ(helper.Described("BC547B"), kWorkedExample[2].second);
}

}  // namespace
}  // namespace sim
