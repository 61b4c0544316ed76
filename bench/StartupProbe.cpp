// Starts a program under the X server of $DISPLAY and measures, from the
// moment before it is started:
//   mapped   the first top-level window it shows is mapped,
//   painted  that window's content is first drawn (DAMAGE extension),
//   peak     its peak resident memory (VmHWM) once the window is painted,
//   cpu      the processor time its threads have used by then, a steadier
//            measure of the work done than the times on the clock.
// Prints "mapped_ms painted_ms peak_kib cpu_ms" and ends the program. A reparenting
// window manager must run, so that the window's frame tells when it is mapped
// even before the probe could watch the window itself.
//
// Usage: startup_probe PROGRAM [ARG...]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <chrono>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Peak resident set of a running process, in KiB.
long PeakKib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

// Processor time of all threads of a running process, in milliseconds.
double CpuMs(pid_t pid) {
    double ns = 0;
    std::error_code error;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        double onCpu = 0;
        if (schedstat >> onCpu) ns += onCpu;
    }
    return ns / 1e6;
}

pid_t Start(char** argv) {
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[0], argv);
        std::perror(argv[0]);
        _exit(127);
    }
    return pid;
}

[[noreturn]] void Die(const char* what) {
    std::fprintf(stderr, "startup_probe: %s\n", what);
    std::exit(2);
}

class Probe {
public:
    explicit Probe(xcb_connection_t* x) : x_(x) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(x_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(x_, root_, XCB_CW_EVENT_MASK, &mask);
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(x_, &xcb_damage_id);
        if (damage == nullptr || !damage->present) Die("the X server has no DAMAGE extension");
        damageEvent_ = damage->first_event + XCB_DAMAGE_NOTIFY;
        std::unique_ptr<xcb_damage_query_version_reply_t, decltype(&std::free)> version(
            xcb_damage_query_version_reply(x_, xcb_damage_query_version(x_, 1, 1), nullptr),
            &std::free);
        if (!version) Die("DAMAGE did not answer");
        xcb_flush(x_);
    }

    // Handles events until the window is painted or `timeout` has passed.
    void Run(Clock::time_point start, std::chrono::milliseconds timeout) {
        const int fd = xcb_get_file_descriptor(x_);
        while (!painted_ && Clock::now() - start < timeout) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(x_)) {
                Handle(event, start);
                std::free(event);
            }
            if (xcb_connection_has_error(x_)) Die("lost the X connection");
            if (painted_) break;
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(fd, &readable);
            timeval wait{0, 10000};
            select(fd + 1, &readable, nullptr, nullptr, &wait);
        }
    }

    std::optional<double> mapped() const { return mapped_; }
    std::optional<double> painted() const { return painted_; }

private:
    void Handle(xcb_generic_event_t* event, Clock::time_point start) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
            if (created->parent == root_ && !created->override_redirect) Watch(created->window);
        } else if (type == XCB_REPARENT_NOTIFY) {
            const auto* moved = reinterpret_cast<xcb_reparent_notify_event_t*>(event);
            // The window manager frames the program's windows only: what it
            // creates itself (the frames) is never reparented.
            if (watched_.count(moved->window) != 0 && moved->parent != root_) {
                clients_.insert(moved->window);
                frames_.insert(moved->parent);
            }
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* shown = reinterpret_cast<xcb_map_notify_event_t*>(event);
            const bool ours = clients_.count(shown->window) != 0 || frames_.count(shown->window) != 0;
            if (ours && !mapped_) mapped_ = MsSince(start);
        } else if (type == damageEvent_) {
            // Only the program's own drawing counts, not the frame's.
            const auto* drawn = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            if (clients_.count(drawn->drawable) != 0 && mapped_ && !painted_) {
                painted_ = MsSince(start);
            }
        }
    }

    // A new top-level window: its mapping and its drawing are reported.
    void Watch(xcb_window_t window) {
        watched_.insert(window);
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(x_, window, XCB_CW_EVENT_MASK, &mask);
        xcb_damage_create(x_, xcb_generate_id(x_), window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        xcb_flush(x_);
    }

    xcb_connection_t* x_;
    xcb_window_t root_ = 0;
    uint8_t damageEvent_ = 0;
    std::set<xcb_window_t> watched_;  // every new top-level window
    std::set<xcb_window_t> clients_;  // those the window manager framed
    std::set<xcb_window_t> frames_;
    std::optional<double> mapped_;
    std::optional<double> painted_;
};

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) Die("usage: startup_probe PROGRAM [ARG...]");
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) Die("cannot open the display");
    Probe probe(x);

    const Clock::time_point start = Clock::now();
    const pid_t pid = Start(argv + 1);
    probe.Run(start, std::chrono::seconds(10));
    // Whatever the window does right after its first paint belongs to start-up.
    usleep(200 * 1000);
    const long peak = PeakKib(pid);
    const double cpu = CpuMs(pid);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    xcb_disconnect(x);

    if (!probe.mapped() || !probe.painted()) Die("the program showed no painted window within 10 s");
    std::printf("%.2f %.2f %ld %.2f\n", *probe.mapped(), *probe.painted(), peak, cpu);
    return 0;
}
