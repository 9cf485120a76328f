// Prints what an open but idle link costs: the CPU time its threads (the
// 10 ms link clock and the receive thread) use while nothing is sent, as a
// share of one core. Runs on a pseudo-terminal, so no modem is needed.
//   idle_link_cost [seconds]      (default 10)
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "hart_master.h"
#include "serial_port.h"

namespace {

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int line = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line < 0 || grantpt(line) != 0 || unlockpt(line) != 0) {
        std::perror("pseudo-terminal");
        return 1;
    }
    const std::string device = ptsname(line);

    mirell::HartMaster master(mirell::MasterSetup{[&](int) { return mirell::openSerialPort(device); }});
    master.initHart(1);
    if (master.errorCode() != 0) {
        std::fprintf(stderr, "cannot open the link on %s\n", device.c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // past the link reset

    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = processCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = processCpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    master.shutDownHart();
    ::close(line);

    const double share = 100.0 * cpu / wall;
    std::printf("idle link over %.1f s: %.3f s CPU = %.3f %% of one core (goal < 0.1 %%)\n", wall, cpu,
                share);
    return 0;
}
