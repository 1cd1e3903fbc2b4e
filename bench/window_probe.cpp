// Starts a program under the X display of $DISPLAY and reports when its first window is mapped
// and first painted, then, once it has rested, the memory of the program with every process it
// started (the sum of their Pss, the fair share of pages they hold with others). Ends them after.
// Usage: tarvex-window-probe REST_SECONDS PROGRAM [ARGUMENT...]
// Prints: mapped_ms=M painted_ms=P pss_kb=K
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/damage.h>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The parent of every process, from /proc.
std::vector<std::pair<pid_t, pid_t>> processParents() {
    std::vector<std::pair<pid_t, pid_t>> parents;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        // "pid (command) state ppid ...": the command may hold blanks and parentheses.
        const auto end = line.rfind(')');
        if (end == std::string::npos)
            continue;
        std::istringstream rest(line.substr(end + 2));
        char state = 0;
        pid_t parent = 0;
        rest >> state >> parent;
        parents.emplace_back(std::stoi(name), parent);
    }
    return parents;
}

// `root` and every process below it.
std::set<pid_t> processTree(pid_t root) {
    std::set<pid_t> tree{root};
    const auto parents = processParents();
    for (bool grown = true; grown;) {
        grown = false;
        for (const auto& [pid, parent] : parents) {
            if (tree.count(parent) != 0 && tree.insert(pid).second)
                grown = true;
        }
    }
    return tree;
}

long pssKb(pid_t pid) {
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string key;
    long value = 0;
    while (rollup >> key) {
        if (key == "Pss:") {
            rollup >> value;
            return value;
        }
        rollup.ignore(1 << 20, '\n');
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s REST_SECONDS PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    const double rest = std::atof(argv[1]);
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &events);
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(connection, &xcb_damage_id);
    const bool damageKnown = damage != nullptr && damage->present;
    if (damageKnown) {
        free(xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1),
                                            nullptr));
    }
    xcb_flush(connection);

    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }
    setpgid(child, child);

    // Every top-level window gets a damage object as it is created, so that its first paint is
    // seen however soon it follows the map.
    double mapped = -1;
    double painted = -1;
    std::set<xcb_window_t> shown;
    pollfd display{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (painted < 0 && millisecondsSince(start) < 60000) {
        std::unique_ptr<xcb_generic_event_t, decltype(&free)> event(xcb_poll_for_event(connection),
                                                                    &free);
        if (!event) {
            if (waitpid(child, nullptr, WNOHANG) == child) {
                std::fprintf(stderr, "the program ended before it showed a window\n");
                return 1;
            }
            poll(&display, 1, 100);
            continue;
        }
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY && damageKnown) {
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event.get());
            xcb_damage_create(connection, xcb_generate_id(connection), created->window,
                              XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
            xcb_flush(connection);
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
            if (map->override_redirect == 0 && mapped < 0) {
                mapped = millisecondsSince(start);
                shown.insert(map->window);
                if (!damageKnown)
                    painted = mapped;
            }
        } else if (damageKnown && type == damage->first_event + XCB_DAMAGE_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_damage_notify_event_t*>(event.get());
            if (shown.count(notify->drawable) != 0)
                painted = millisecondsSince(start);
        }
    }

    long pss = 0;
    if (painted >= 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(rest));
        for (const pid_t pid : processTree(child))
            pss += pssKb(pid);
    }
    // The program and everything it started; a helper that left the group is ended by its id.
    const std::set<pid_t> tree = processTree(child);
    kill(-child, SIGTERM);
    for (const pid_t pid : tree)
        kill(pid, SIGTERM);
    waitpid(child, nullptr, 0);
    // The next measure must not share pages with these: wait until they are gone, or end them.
    const Clock::time_point ending = Clock::now();
    for (const pid_t pid : tree) {
        while (kill(pid, 0) == 0 && millisecondsSince(ending) < 5000)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        kill(pid, SIGKILL);
    }
    xcb_disconnect(connection);
    if (painted < 0) {
        std::fprintf(stderr, "no window was painted within a minute\n");
        return 1;
    }
    std::printf("mapped_ms=%.1f painted_ms=%.1f pss_kb=%ld\n", mapped, painted, pss);
    return 0;
}
