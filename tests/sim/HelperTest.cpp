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

#include "sim/AmpProtocol.h"
#include "sim/ModelCard.h"
#include "sim/Models.h"
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

    // The lines a request is answered by, without their "\n".
    std::vector<std::string> AskLines(const std::string& line, int count) {
        const std::string sent = line + "\n";
        std::vector<std::string> lines;
        if (::write(to_, sent.data(), sent.size()) != static_cast<ssize_t>(sent.size())) {
            return lines;
        }
        char* buffer = nullptr;
        std::size_t size = 0;
        for (int i = 0; i < count; ++i) {
            const ssize_t n = ::getline(&buffer, &size, from_);
            if (n <= 0) break;
            lines.emplace_back(buffer, static_cast<std::size_t>(n) - 1);
        }
        std::free(buffer);
        return lines;
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

// What ngspice's own program prints for the four values after "print" in a
// netlist given whole, nodes named as the netlist names them.
std::vector<double> PrintedByNgspice(const fs::path& dir, const std::string& netlist) {
    std::ofstream(dir / "mirror.cir") << netlist;
    const std::string command = "cd '" + dir.string() + "' && ngspice -b mirror.cir 2>&1";
    FILE* out = ::popen(command.c_str(), "r");
    std::vector<double> printed;
    if (out == nullptr) return printed;
    char line[512];
    while (std::fgets(line, sizeof line, out) != nullptr) {
        const std::string text = line;
        const std::size_t equals = text.find(" = ");
        if (equals != std::string::npos && (text[0] == '@' || text[0] == 'v')) {
            printed.push_back(std::strtod(text.c_str() + equals + 3, nullptr));
        }
    }
    ::pclose(out);
    return printed;
}

// A PNP part runs in the mirror of the stage, its supply at -Vcc, and its
// figures come back as magnitudes: the netlist here is written by hand.
TEST(HelperTest, PnpPartsInTheMirrorAgreeWithNgspicesOwnProgram) {
    if (std::system("command -v ngspice >/dev/null") != 0) {
        GTEST_SKIP() << "ngspice's own program is not installed (make test installs it)";
    }
    TempDir dir;
    Helper helper(dir.path(), {"HOME=" + dir.path().string()});
    struct Case {
        Request request;
        const char* netlist;
    };
    const Case cases[] = {
        {{"2N3906", 12, 22000, 4700, 2200, 470},
         "mirrored worked example\n"
         "V1 supply 0 -12\nRb1 supply b 22k\nRb2 b 0 4.7k\nRl supply c 2.2k\nRs e 0 470\n"
         "Q1 c b e pnp1\n"
         ".model pnp1 PNP(Is=1.41f Xti=3 Eg=1.11 Vaf=18.7 Bf=180.7 Ne=1.5 Ise=0 Ikf=80m "
         "Xtb=1.5 Br=4.977 Nc=2 Isc=0 Ikr=0 Rc=2.5 Cjc=9.728p Mjc=.5776 Vjc=.75 Fc=.5 "
         "Cje=8.063p Mje=.3677 Vje=.75 Tr=33.42n Tf=179.3p Itf=.4 Vtf=4 Xtf=6 Rb=10)\n"
         ".control\nset numdgt=12\nop\nprint @q1[ic] @q1[ib] v(c)-v(e) v(b)-v(e)\n.endc\n.end\n"},
        {{"BC557B", 5, 10000, 2200, 1000, 220},
         "mirrored small stage\n"
         "V1 supply 0 -5\nRb1 supply b 10k\nRb2 b 0 2.2k\nRl supply c 1k\nRs e 0 220\n"
         "Q1 c b e pnp2\n"
         ".model pnp2 PNP(IS=3.834E-14 NF=1.008 ISE=1.219E-14 NE=1.528 BF=344.4 IKF=0.08039 "
         "VAF=21.11 NR=1.005 ISC=2.852E-13 NC=1.28 BR=14.84 IKR=0.047 VAR=32.02 RB=1 IRB=1E-06 "
         "RBM=1 RE=0.6202 RC=0.5713 XTB=0 EG=1.11 XTI=3 CJE=1.23E-11 VJE=0.6106 MJE=0.378 "
         "TF=5.595E-10 XTF=3.414 VTF=5.23 ITF=0.1483 PTF=0 CJC=1.084E-11 VJC=0.1022 MJC=0.3563 "
         "XCJC=0.6288 TR=1E-32 CJS=0 VJS=0.75 MJS=0.333 FC=0.8027)\n"
         ".control\nset numdgt=12\nop\nprint @q1[ic] @q1[ib] v(c)-v(e) v(b)-v(e)\n.endc\n.end\n"},
    };
    for (const Case& one : cases) {
        const std::optional<Answer> answer = ParseAnswer(helper.Ask(FormatRequest(one.request)));
        ASSERT_TRUE(answer && answer->point) << one.request.part;
        const std::vector<double> printed = PrintedByNgspice(dir.path(), one.netlist);
        ASSERT_EQ(printed.size(), 4u) << one.request.part;
        const Point& point = *answer->point;
        const double magnitudes[] = {point.Ic, point.Ib, point.Vce, point.Vbe};
        for (int i = 0; i < 4; ++i) {
            EXPECT_LT(printed[i], 0) << one.request.part << i;
            EXPECT_NEAR(magnitudes[i], -printed[i], 1e-6 * std::fabs(printed[i]))
                << one.request.part << i;
        }
    }
}

// A maker's card read by the program and sent as numbers simulates as the
// same card built in; its values are checked again by the helper.
TEST(HelperTest, OwnPartFromItsNumbers) {
    TempDir dir;
    Helper helper(dir.path(), {"HOME=" + dir.path().string()});
    const Request builtIn{"2N3906", 12, 22000, 4700, 2200, 470};
    const CardScan scan = ScanModelCards(*ModelCard("2N3906"));
    ASSERT_EQ(scan.cards.size(), 1u);
    Request own = builtIn;
    own.part = "mine";
    own.model = scan.cards[0].model;
    const std::optional<Answer> expected = ParseAnswer(helper.Ask(FormatRequest(builtIn)));
    const std::optional<Answer> answer = ParseAnswer(helper.Ask(FormatRequest(own)));
    ASSERT_TRUE(expected && expected->point && answer && answer->point);
    EXPECT_NEAR(answer->point->Ic, expected->point->Ic, 1e-9 * expected->point->Ic);
    EXPECT_NEAR(answer->point->Vce, expected->point->Vce, 1e-9 * expected->point->Vce);
    EXPECT_EQ(helper.Ask("TSP/2 op NPN 12 22000 4700 2200 470 BF 0"), "TSP/2 error input");
    EXPECT_EQ(helper.Ask("TSP/2 op NPN 12 22000 4700 2200 470 MFG 1"), "TSP/2 error request");
}

// Every line gets its answer, in order, and a refused one leaves the helper
// working.
TEST(HelperTest, RefusesWhatItDoesNotSimulate) {
    TempDir dir;
    Helper helper(dir.path(), {"HOME=" + dir.path().string()});
    EXPECT_EQ(helper.Ask("TSP/2 op 2N3904 1,5 22000 4700 2200 470"), "TSP/2 error request");
    EXPECT_EQ(helper.Ask("TSP/2 op 2N3904 12 22000 4700 2200 " + std::string(5000, '4')),
              "TSP/2 error request");
    EXPECT_EQ(helper.Ask("TSP/2 op 2N3904 1000000000 22000 4700 2200 470"), "TSP/2 error input");
    EXPECT_EQ(helper.Ask("TSP/2 op BC547B 12 22000 -4700 2200 470"), "TSP/2 error input");
    EXPECT_EQ(helper.Ask(".control"), "TSP/2 error request");
    EXPECT_EQ(helper.Described("BC547B"), kWorkedExample[2].second);
}

}  // namespace
}  // namespace sim

namespace sim {
namespace {

// printf's 17 digits, not the program's own writer, in the C locale the
// tests run in.
std::string Printed(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// The amplifier's netlist and commands for ngspice's own program, written out
// here from the circuit's description rather than by the program's builder.
std::string ReferenceDeck(const AmpRequest& a) {
    const Request& s = a.stage;
    const std::string out = a.RL != 0 ? "out" : "coll";
    const std::string src = a.Rs != 0 ? "src" : "in";
    const double T = 1 / a.Frequency;
    const bool pnp = ModelCard(s.part).value().find(" PNP(") != std::string::npos;
    std::string deck = "* amplifier\nVcc vcc 0 DC " + Printed(pnp ? -s.Vcc : s.Vcc) +
                       "\nR1 vcc base " + Printed(s.R1) + "\nR2 base 0 " + Printed(s.R2) +
                       "\nRc vcc coll " + Printed(s.Rc) + "\n";
    if (a.Re1 == 0) {
        deck += "Re emit 0 " + Printed(s.Re) + "\nCe emit 0 " + Printed(a.Ce) + "\n";
    } else if (a.Re1 == s.Re) {
        deck += "Re emit 0 " + Printed(s.Re) + "\n";
    } else {
        deck += "Re1 emit mid " + Printed(a.Re1) + "\nRe2 mid 0 " + Printed(s.Re - a.Re1) +
                "\nCe mid 0 " + Printed(a.Ce) + "\n";
    }
    deck += "Vs " + src + " 0 DC 0 AC 1 SIN(0 " + Printed(a.Amplitude) + " " +
            Printed(a.Frequency) + ")\n";
    if (a.Rs != 0) deck += "Rs src in " + Printed(a.Rs) + "\n";
    deck += "Cin in base " + Printed(a.Cin) + "\n";
    if (a.RL != 0)
        deck += "Cout coll out " + Printed(a.Cout) + "\nRL out 0 " + Printed(a.RL) + "\n";
    deck += "Q1 coll base emit Q" + s.part + "\n" + ModelCard(s.part).value() + "\n";
    deck +=
        ".control\nop\nprint @q1[ic] @q1[ib] v(coll)-v(emit) v(base)-v(emit) @q1[gm] "
        "@q1[gpi] @q1[go] @q1[cpi] @q1[cmu]\n"
        "ac dec 50 0.01 10g\nmeas ac gmax max vdb(" +
        out +
        ")\nlet g3 = gmax - 3\n"
        "meas ac fl when vdb(" +
        out +
        ")=g3 rise=1\n"
        "meas ac fh when vdb(" +
        out +
        ")=g3 fall=last\nlet fmid = sqrt(fl*fh)\n"
        "ac lin 1 $&fmid $&fmid\nprint mag(v(" +
        out + ")/v(base)) mag(v(" + out + ")/v(" + src +
        ")) mag(v(in)/(-i(vs)))\nset fourgridsize=4096\n"
        "tran " +
        Printed(T / 100) + " " + Printed(22 * T) + " " + Printed(20 * T) + " " + Printed(T / 100) +
        "\nfourier " + Printed(a.Frequency) + " v(" + out +
        ")\n"
        ".endc\n.end\n";
    return deck;
}

// What ngspice's own program prints for the deck: the printed and measured
// values in order, and the THD last.
std::vector<double> RunReference(const fs::path& dir, const AmpRequest& request) {
    std::ofstream(dir / "amp.cir") << ReferenceDeck(request);
    const std::string command = "cd '" + dir.string() + "' && ngspice -b amp.cir 2>&1";
    FILE* out = ::popen(command.c_str(), "r");
    std::vector<double> values;
    if (out == nullptr) return values;
    char line[512];
    double thd = NAN;
    while (std::fgets(line, sizeof line, out) != nullptr) {
        const std::string text = line;
        const std::size_t equals = text.find(" = ");
        const std::size_t measured = text.find("=  ");
        if (text.starts_with("@q1[") || text.starts_with("v(") || text.starts_with("mag(")) {
            if (equals != std::string::npos)
                values.push_back(std::strtod(&text[equals + 3], nullptr));
        } else if ((text.starts_with("fl ") || text.starts_with("fh ")) &&
                   measured != std::string::npos) {
            values.push_back(std::strtod(&text[measured + 3], nullptr));
        }
        if (const std::size_t at = text.find("THD: "); at != std::string::npos) {
            thd = std::strtod(&text[at + 5], nullptr);
        }
    }
    ::pclose(out);
    values.push_back(thd);
    return values;
}

double Value(const Measure& measure) { return measure.value.value_or(NAN); }

// The amplifier as the helper simulates it, against ngspice's own program
// running the same circuit and commands: the worked example with the
// amplifier's defaults, a partly bypassed emitter driven directly with no
// load, and an unbypassed one driven hard.
TEST(HelperTest, AmplifierAgreesWithNgspicesOwnProgram) {
    if (std::system("command -v ngspice >/dev/null") != 0) {
        GTEST_SKIP() << "ngspice's own program is not installed (make test installs it)";
    }
    TempDir dir;
    Helper helper(dir.path(), {"HOME=" + dir.path().string()});
    const Request worked{"2N3904", 12, 22000, 4700, 2200, 470};
    const AmpRequest stages[] = {
        {worked, 600, 10e3, 0, 10e-6, 100e-6, 10e-6, 10e-3, 1e3},
        {{"2N2222A", 15, 47000, 10000, 3300, 680}, 0, 0, 100, 4.7e-6, 220e-6, 10e-6, 20e-3, 5e3},
        {{"BC547B", 12, 22000, 4700, 2200, 470}, 600, 10e3, 470, 10e-6, 100e-6, 10e-6, 0.3, 1e3},
        {{"2N3906", 12, 22000, 4700, 2200, 470}, 600, 10e3, 0, 10e-6, 100e-6, 10e-6, 10e-3, 1e3},
    };
    for (const AmpRequest& stage : stages) {
        const std::vector<std::string> lines = helper.AskLines(FormatAmpRequest(stage), 2);
        ASSERT_EQ(lines.size(), 2u);
        const std::optional<AmpAnswer> first = ParseAmpAnswer(lines[0]);
        const std::optional<AmpAnswer> second = ParseAmpAnswer(lines[1]);
        ASSERT_TRUE(first && std::holds_alternative<AmpAc>(*first)) << lines[0].substr(0, 80);
        ASSERT_TRUE(second && std::holds_alternative<AmpTran>(*second)) << lines[1].substr(0, 80);
        const AmpAc& ac = std::get<AmpAc>(*first);
        const AmpTran& tran = std::get<AmpTran>(*second);
        EXPECT_EQ(ac.frequency.size(), 601u);
        EXPECT_GE(tran.time.size(), 100u);

        const std::vector<double> reference = RunReference(dir.path(), stage);
        ASSERT_EQ(reference.size(), 15u) << stage.stage.part;
        const AmpPoint& op = ac.op;
        const double helperValues[] = {op.point.Ic,   op.point.Ib,  op.point.Vce, op.point.Vbe,
                                       op.gm,         op.gpi,       op.go,        op.cpi,
                                       op.cmu,        Value(ac.fL), Value(ac.fH), Value(ac.Av),
                                       Value(ac.Avs), Value(ac.Zin)};
        // The program prints seven significant digits, and the THD to six.
        // A PNP part's point is given as the magnitudes of the mirrored one's,
        // which the program prints with a digit less.
        for (std::size_t i = 0; i < 14; ++i) {
            const bool negative = reference[i] < 0;
            const double printed = negative ? -reference[i] : reference[i];
            EXPECT_NEAR(helperValues[i], printed, (negative ? 5e-6 : 1e-6) * printed)
                << stage.stage.part << " value " << i;
        }
        EXPECT_NEAR(Value(tran.THD), reference[14], 1e-3 * reference[14]) << stage.stage.part;
    }
}

// The worked example's figures as ngspice 39 gives them, and the card's
// Early voltage for the hand model.
TEST(HelperTest, AmplifierWorkedExample) {
    TempDir dir;
    Helper helper(dir.path(), {"HOME=" + dir.path().string()});
    const AmpRequest worked{
        {"2N3904", 12, 22000, 4700, 2200, 470}, 600, 10e3, 0, 10e-6, 100e-6, 10e-6, 10e-3, 1e3};
    const std::vector<std::string> lines = helper.AskLines(FormatAmpRequest(worked), 2);
    ASSERT_EQ(lines.size(), 2u);
    const AmpAc ac = std::get<AmpAc>(ParseAmpAnswer(lines[0]).value());
    const AmpTran tran = std::get<AmpTran>(ParseAmpAnswer(lines[1]).value());
    EXPECT_NEAR(Value(ac.Av), 178.3, 0.05);
    EXPECT_NEAR(Value(ac.Avs), 117.2, 0.05);
    EXPECT_NEAR(Value(ac.Zin), 1149, 0.5);
    EXPECT_NEAR(Value(ac.fL), 129.6, 0.05);
    EXPECT_NEAR(Value(ac.fH), 937.0e3, 50);
    EXPECT_NEAR(Value(tran.THD), 3.697, 0.0005);
    EXPECT_NEAR(ac.op.gm / ac.op.gpi, 172.4, 0.05);
    EXPECT_EQ(ac.op.VAF, 74.03);
    // The request's numbers outside their limits, and a request cut short.
    AmpRequest slow = worked;
    slow.Frequency = 0.5;
    EXPECT_EQ(helper.Ask(FormatAmpRequest(slow)), "TSP/2 error input");
    EXPECT_EQ(helper.Ask(FormatAmpRequest(worked).substr(0, 40)), "TSP/2 error request");
}

}  // namespace
}  // namespace sim
