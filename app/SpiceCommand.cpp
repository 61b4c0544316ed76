#include "app/SpiceCommand.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>

#include "app/AmplifierText.h"
#include "core/EngineeringFormat.h"
#include "sim/AmpProtocol.h"
#include "sim/Report.h"
#include "ui/spice/SpiceClient.h"

namespace app {
namespace {

// The loader's status for a program whose libraries are missing, and the
// child's own when the helper cannot be run at all.
constexpr int kLibraryMissing = 127;

std::string FullNumber(double value, bool shown) {
    if (shown) return core::ShownNumber(value);
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

std::optional<double> ValueOf(const sim::Measure& measure) { return measure.value; }

// The reasons of the missing measurements, "fL: ...; THD: ...".
std::string MissingText(const sim::AmpResult& amp) {
    std::string text;
    const auto add = [&](std::string_view name, const std::string& reason) {
        if (reason.empty()) return;
        if (!text.empty()) text += "; ";
        text += std::string(name) + ": " + reason;
    };
    if (amp.ac) {
        const std::pair<const char*, const sim::Measure*> measures[] = {{"|Av|", &amp.ac->Av},
                                                                        {"|Avs|", &amp.ac->Avs},
                                                                        {"Zin", &amp.ac->Zin},
                                                                        {"fL", &amp.ac->fL},
                                                                        {"fH", &amp.ac->fH}};
        for (const auto& [name, measure] : measures) {
            if (!measure->value) add(name, sim::MissingReason(measure->why));
        }
    }
    if (amp.tran && !amp.tran->THD.value) add("THD", sim::MissingReason(amp.tran->THD.why));
    if (!amp.tran) add("THD", amp.tranReason);
    return text;
}

// The rows of SPICE's figures: name, value, unit.
struct SpiceRow {
    const char* name;
    const char* column;
    std::optional<double> value;
    const char* unit;
};

// Ic/Ib, none in cut-off, where no current flows into the base and the
// collector's is leakage: as the windows show it.
std::optional<double> CurrentGain(const std::optional<sim::Point>& p) {
    if (!p || !(p->Ib > 0 && p->Ic > 0)) return std::nullopt;
    return p->Ic / p->Ib;
}

std::vector<SpiceRow> Rows(const SpiceOutcome& outcome, bool ac) {
    std::vector<SpiceRow> rows;
    const std::optional<sim::Point>& p = outcome.point;
    rows.push_back({"Ic", "Spice_Ic", p ? std::optional(p->Ic) : std::nullopt, "A"});
    rows.push_back({"Vce", "Spice_Vce", p ? std::optional(p->Vce) : std::nullopt, "V"});
    rows.push_back({"Vbe", "Spice_Vbe", p ? std::optional(p->Vbe) : std::nullopt, "V"});
    rows.push_back({"Ic/Ib", "Spice_hFE", CurrentGain(p), ""});
    if (!ac) return rows;
    const std::optional<sim::AmpAc>& a = outcome.amp.ac;
    std::optional<sim::AmpFigures> f;
    if (a) f = sim::FiguresOf(a->op);
    rows.push_back({"gm", "Spice_gm", f ? std::optional(f->gm) : std::nullopt, "S"});
    rows.push_back({"rπ", "Spice_rpi", f ? std::optional(f->rpi) : std::nullopt, "Ω"});
    rows.push_back({"ro", "Spice_ro", f ? f->ro : std::nullopt, "Ω"});
    rows.push_back({"hfe", "Spice_hfe", f ? std::optional(f->hfe) : std::nullopt, ""});
    rows.push_back({"|Av|", "Spice_Av", a ? ValueOf(a->Av) : std::nullopt, ""});
    rows.push_back({"|Avs|", "Spice_Avs", a ? ValueOf(a->Avs) : std::nullopt, ""});
    rows.push_back({"Zin", "Spice_Zin", a ? ValueOf(a->Zin) : std::nullopt, "Ω"});
    rows.push_back({"fL", "Spice_fL", a ? ValueOf(a->fL) : std::nullopt, "Hz"});
    rows.push_back({"fH", "Spice_fH", a ? ValueOf(a->fH) : std::nullopt, "Hz"});
    const std::optional<sim::AmpTran>& t = outcome.amp.tran;
    rows.push_back({"THD", "Spice_THD_percent", t ? ValueOf(t->THD) : std::nullopt, "%"});
    return rows;
}

std::string Sentence(const std::string& reason) {
    if (reason.starts_with("no simulation: ")) return "N" + reason.substr(1) + ".";
    return reason + ".";
}

}  // namespace

std::string HelperPath() { return ui::SpiceClient::DefaultHelperPath().toStdString(); }

SpiceRunner::SpiceRunner(std::string helperPath, int answerMilliseconds)
    : helperPath_(std::move(helperPath)), answerMilliseconds_(answerMilliseconds) {}

SpiceRunner::~SpiceRunner() {
    if (pid_ < 0) return;
    // The end of its input ends the helper.
    ::close(to_);
    ::close(from_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
}

bool SpiceRunner::Start() {
    int sockets[2];
    if (helperPath_.empty() || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        return false;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(sockets[0]);
        ::close(sockets[1]);
        return false;
    }
    if (pid == 0) {
        ::dup2(sockets[1], STDIN_FILENO);
        ::dup2(sockets[1], STDOUT_FILENO);
        // What ngspice says on its error output is not for the shell's user.
        const int nothing = ::open("/dev/null", O_WRONLY);
        if (nothing >= 0) ::dup2(nothing, STDERR_FILENO);
        ::execl(helperPath_.c_str(), helperPath_.c_str(), static_cast<char*>(nullptr));
        ::_exit(kLibraryMissing);
    }
    ::close(sockets[1]);
    pid_ = pid;
    to_ = sockets[0];
    from_ = ::dup(sockets[0]);
    buffer_.clear();
    return true;
}

void SpiceRunner::Kill() {
    if (pid_ < 0) return;
    ::kill(pid_, SIGKILL);
    ::close(to_);
    ::close(from_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

bool SpiceRunner::Send(const std::string& line, std::string& reason) {
    if (pid_ < 0 && !Start()) {
        reason = sim::HelperMissingReason();
        return false;
    }
    const std::string text = line + "\n";
    for (std::size_t done = 0; done < text.size();) {
        // A socket, not a pipe, so that a helper that has died makes an
        // error here rather than a signal that ends the program.
        const ssize_t n = ::send(to_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // Why it died is told by the answer it does not give.
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::string> SpiceRunner::Line(std::string& reason) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(answerMilliseconds_);
    for (;;) {
        if (const std::size_t end = buffer_.find('\n'); end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        if (buffer_.size() > sim::kMaxAnswerLine) {
            Kill();
            reason = sim::FailureReason(sim::Failure::Request);
            return std::nullopt;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd wait{from_, POLLIN, 0};
        const int ready = left > 0 ? ::poll(&wait, 1, static_cast<int>(left)) : 0;
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            Kill();
            reason = sim::HelperTimedOutReason((answerMilliseconds_ + 999) / 1000);
            return std::nullopt;
        }
        char chunk[8192];
        const ssize_t n = ready > 0 ? ::read(from_, chunk, sizeof chunk) : -1;
        if (n < 0 && errno == EINTR) continue;
        if (n > 0) {
            buffer_.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        // It ended: missing, or stopped.
        ::close(to_);
        ::close(from_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        reason = WIFEXITED(status) && WEXITSTATUS(status) == kLibraryMissing
                     ? sim::HelperMissingReason()
                     : sim::HelperStoppedReason();
        return std::nullopt;
    }
}

SpiceOutcome SpiceRunner::Op(const sim::Request& request) {
    SpiceOutcome outcome;
    std::string reason;
    if (!Send(sim::FormatRequest(request), reason)) {
        outcome.fault = reason;
        return outcome;
    }
    const std::optional<std::string> line = Line(reason);
    if (!line) {
        outcome.fault = reason;
        return outcome;
    }
    const std::optional<sim::Answer> answer = sim::ParseAnswer(*line);
    if (!answer) {
        Kill();
        outcome.fault = sim::FailureReason(sim::Failure::Request);
    } else if (answer->point) {
        outcome.point = answer->point;
    } else {
        // A helper whose ngspice gave up ends; the next stage starts a fresh one.
        if (answer->failure == sim::Failure::Exit) Kill();
        outcome.fault = sim::FailureReason(answer->failure);
    }
    return outcome;
}

SpiceOutcome SpiceRunner::Amp(const sim::AmpRequest& request) {
    SpiceOutcome outcome;
    std::string reason;
    sim::AmpResult& amp = outcome.amp;
    if (!Send(sim::FormatAmpRequest(request), reason)) {
        outcome.fault = reason;
        amp = sim::AmpResult::Because(reason);
        return outcome;
    }
    for (int answers = 0; answers < 2; ++answers) {
        const std::optional<std::string> line = Line(reason);
        const std::optional<sim::AmpAnswer> answer =
            line ? sim::ParseAmpAnswer(*line) : std::nullopt;
        if (line && !answer) {
            Kill();
            reason = sim::FailureReason(sim::Failure::Request);
        }
        if (answer) {
            if (const auto* ac = std::get_if<sim::AmpAc>(&*answer); ac && answers == 0) {
                amp.ac = *ac;
                amp.acReason.clear();
                outcome.point = ac->op.point;
                continue;
            }
            if (const auto* tran = std::get_if<sim::AmpTran>(&*answer); tran && answers == 1) {
                amp.tran = *tran;
                amp.tranReason.clear();
                break;
            }
            const auto* failure = std::get_if<sim::Failure>(&*answer);
            if (failure == nullptr || *failure == sim::Failure::Exit) Kill();
            reason = sim::FailureReason(failure ? *failure : sim::Failure::Request);
        }
        if (answers == 0) {
            amp.acReason = reason;
            outcome.fault = reason;
        }
        amp.tranReason = reason;
        break;
    }
    return outcome;
}

std::string SpiceTable(const std::string& part, const SpiceOutcome& outcome, bool ac) {
    std::string out = "SPICE (" + part + "):";
    if (!outcome.point) return out + " " + Sentence(outcome.fault) + "\n";
    out += "\n";
    for (const SpiceRow& row : Rows(outcome, ac)) TableRow(out, row.name, row.value, row.unit);
    if (ac) {
        const std::string missing = MissingText(outcome.amp);
        if (!missing.empty()) out += "Missing: " + missing + ".\n";
    }
    return out;
}

std::vector<std::string> SpiceColumns(bool ac) {
    std::vector<std::string> columns;
    for (const SpiceRow& row : Rows({}, ac)) columns.emplace_back(row.column);
    columns.emplace_back("Spice_Fault");
    return columns;
}

std::vector<std::string> SpiceCells(const SpiceOutcome& outcome, bool ac, bool shown) {
    std::vector<std::string> cells;
    for (const SpiceRow& row : Rows(outcome, ac)) {
        cells.push_back(row.value ? FullNumber(*row.value, shown) : std::string());
    }
    std::string fault = outcome.point ? std::string() : outcome.fault;
    if (outcome.point && ac) fault = MissingText(outcome.amp);
    cells.push_back(fault);
    return cells;
}

}  // namespace app
