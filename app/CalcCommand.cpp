// tindrel calc: the standard streams around the window-free calculation.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "app/CommandLine.h"
#include "app/ShellText.h"
#include "core/BatchCalc.h"
#include "core/StageCalc.h"

namespace app {
namespace {

void Tell(std::string_view text) {
    std::string line(text);
    line += '\n';
    std::fputs(line.c_str(), stderr);
}

// Everything or nothing: a short write is carried on, EINTR retried.
bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void TellWriteFailed(int error) {
    Tell(std::string("tindrel: could not write the results: ") + std::strerror(error));
}

int RunStage(const CommandLine& command) {
    const std::vector<std::string>& v = command.values;
    const core::StageTexts texts{v[0], v[1], v[2], v[3], v[4], v[5], command.material};
    const core::StageReport report = core::ReportStage(
        texts, command.strict,
        [&](const core::InputReading& reading) { return ShellReadAs(reading, command.strict); });
    std::fputs(report.err.c_str(), stderr);
    if (!WriteAll(STDOUT_FILENO, report.out)) {
        TellWriteFailed(errno);
        return 1;
    }
    return report.status;
}

int RunTable(const CommandLine& command) {
    int readError = 0;
    // read() rather than a buffered stream: it returns what a pipe holds,
    // so that rows are answered as they arrive.
    const auto source = [&](char* buffer, std::size_t size) -> std::size_t {
        for (;;) {
            const ssize_t got = ::read(STDIN_FILENO, buffer, size);
            if (got >= 0) return static_cast<std::size_t>(got);
            if (errno == EINTR) continue;
            readError = errno;
            return 0;
        }
    };
    bool writeFailed = false;
    const auto sink = [&](std::string_view bytes) {
        if (WriteAll(STDOUT_FILENO, bytes)) return true;
        if (!writeFailed) TellWriteFailed(errno);
        writeFailed = true;
        return false;
    };
    // Once reading has failed, what the batch makes of the cut input ("the
    // input is empty") would hide the real cause, told below.
    const auto message = [&](std::string_view text) {
        if (readError == 0) Tell(text);
    };
    const auto phrase = [&](const core::InputReading& reading) {
        return ShellReadAs(reading, command.strict);
    };
    const int status =
        core::RunBatch(source, sink, message, {command.shown, command.strict}, phrase);
    if (readError != 0) {
        Tell(std::string("tindrel: could not read the input: ") + std::strerror(readError));
        return 1;
    }
    return status;
}

}  // namespace

int RunCalc(const CommandLine& command) {
    return command.csv ? RunTable(command) : RunStage(command);
}

}  // namespace app
