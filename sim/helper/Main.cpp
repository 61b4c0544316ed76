// tindrel-spice: simulates the stage with ngspice for the program, one
// request a line on standard input, one answer a line on standard output
// (sim/Protocol.h). ngspice runs here, in a process of its own, so that its
// faults, its process-wide state and its start-up files never reach the
// window and the user's inputs.
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "sim/AmpProtocol.h"
#include "sim/Amplifier.h"
#include "sim/Checks.h"
#include "sim/Protocol.h"
#include "sim/helper/Ngspice.h"

namespace {

// The descriptors the protocol runs over. Standard input and output
// themselves are taken from ngspice, so that nothing it prints or reads can
// mix with the protocol.
int requests = -1;
int answers = -1;
std::filesystem::path privateDir;

void TakeStandardStreams() {
    requests = ::dup(STDIN_FILENO);
    answers = ::dup(STDOUT_FILENO);
    if (requests < 0 || answers < 0) std::_Exit(EXIT_FAILURE);
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nothing < 0 || ::dup2(nothing, STDIN_FILENO) < 0 ||
        ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::_Exit(EXIT_FAILURE);
    }
    ::close(nothing);
    ::fcntl(requests, F_SETFD, FD_CLOEXEC);
    ::fcntl(answers, F_SETFD, FD_CLOEXEC);
}

// Once only: a folder made later under the same name is not this helper's.
void RemovePrivateDir() {
    static bool removed = false;
    std::error_code ignored;
    if (!privateDir.empty() && !removed) std::filesystem::remove_all(privateDir, ignored);
    removed = true;
}

// ngspice reads .spiceinit from the working folder and from HOME at start,
// and such a file may run shell commands; its other start-up files and
// settings come from the environment. It starts here in an empty folder of
// its own, which is also HOME, with nothing else in the environment, in the
// C locale that its expression parser and its printed numbers follow.
void Isolate() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = (tmp != nullptr && tmp[0] == '/' ? std::string(tmp) : "/tmp");
    pattern += "/tindrel-spice-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0) {
        std::perror("tindrel-spice: private folder");
        std::_Exit(EXIT_FAILURE);
    }
    privateDir = pattern;
    ::clearenv();
    ::setenv("HOME", pattern.c_str(), 1);
    ::setenv("LC_ALL", "C", 1);
    std::setlocale(LC_ALL, "C");
}

bool WriteAll(const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(answers, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void AnswerLine(const std::string& line) {
    if (!WriteAll(line + "\n")) {
        // Nobody reads any more.
        RemovePrivateDir();
        std::_Exit(EXIT_FAILURE);
    }
}

void Answer(const sim::Answer& answer) { AnswerLine(sim::FormatAnswer(answer)); }

void AnswerAmp(const sim::AmpAnswer& answer) { AnswerLine(sim::FormatAmpAnswer(answer)); }

// Reads request lines of at most sim::kMaxLine bytes; a longer one is read to
// its end and handed on cut short, which no parse accepts.
class LineReader {
public:
    std::optional<std::string> Next() {
        std::string line;
        for (;;) {
            if (at_ == size_ && !Fill()) {
                // A last line without "\n" is a request cut off: not run.
                return std::nullopt;
            }
            const char c = buffer_[at_++];
            if (c == '\n') return line;
            if (line.size() <= sim::kMaxLine) line.push_back(c);
        }
    }

private:
    bool Fill() {
        for (;;) {
            const ssize_t n = ::read(requests, buffer_, sizeof buffer_);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            at_ = 0;
            size_ = static_cast<std::size_t>(n);
            return true;
        }
    }

    char buffer_[4096];
    std::size_t at_ = 0;
    std::size_t size_ = 0;
};

}  // namespace

// ngspice finds the user's ~/.spiceinit through the password database, not
// through HOME. This definition takes the place of the C library's for the
// whole process, ngspice included, and names the private folder as the home
// of every user; nothing else in the helper asks for one.
extern "C" struct passwd* getpwuid(uid_t uid) {
    static std::string home;
    static std::string name = "tindrel-spice";
    static std::string none;
    static struct passwd entry;
    home = privateDir.string();
    entry = {};
    entry.pw_name = name.data();
    entry.pw_passwd = none.data();
    entry.pw_uid = uid;
    entry.pw_gid = ::getgid();
    entry.pw_gecos = none.data();
    entry.pw_dir = home.data();
    entry.pw_shell = none.data();
    return &entry;
}

int main() {
    // Ends with the program, also when the program dies without closing the pipe.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::signal(SIGPIPE, SIG_IGN);
    TakeStandardStreams();
    Isolate();

    sim::Ngspice spice([] {
        // Every later circuit would fail: the program starts a fresh helper.
        Answer(sim::Answer::Of(sim::Failure::Exit));
        RemovePrivateDir();
        std::_Exit(EXIT_FAILURE);
    });
    // In case the library set a locale of its own.
    std::setlocale(LC_ALL, "C");
    // ngspice has read its start-up files: the empty folder goes now, so that
    // a helper killed later (timed out, or as the program ends) leaves none
    // behind. The working directory stays private and empty.
    RemovePrivateDir();

    LineReader reader;
    while (const std::optional<std::string> line = reader.Next()) {
        const std::optional<sim::Request> request = sim::ParseRequest(*line);
        if (!request) {
            if (const std::optional<sim::AmpRequest> amp = sim::ParseAmpRequest(*line)) {
                if (sim::CheckAmp(*amp)) {
                    AnswerAmp(sim::Failure::Input);
                } else {
                    spice.RunAmp(*amp, AnswerAmp);
                }
            } else {
                Answer(sim::Answer::Of(sim::Failure::Request));
            }
        } else if (sim::CheckValues(*request)) {
            Answer(sim::Answer::Of(sim::Failure::Input));
        } else {
            Answer(spice.Run(*request));
        }
    }
    RemovePrivateDir();
    return EXIT_SUCCESS;
}
