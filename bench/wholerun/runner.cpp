// Times whole runs of pondra against the floor program, alternating them, and
// reports medians and peak resident memory.
//
//   wholerun_runner RUNS DIALOGUE -- PONDRA_CMD... -- FLOOR_CMD...
// pondra reads DIALOGUE on standard input; both commands inherit the environment.
// Each run starts after a pause (WHOLERUN_PAUSE_MS, default 300 ms): the
// system's work after the run before (freeing and handing back its memory
// and output files) would otherwise fall into the next run and slow it.
#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Sample {
    double seconds;
    long max_rss_kib;
};

// Starts every run on CPU `cpu`: the child is forked there and, once its
// affinity is opened to every CPU, execs there, so that in a round both
// programs start on the same CPU (on some machines one CPU is far slower than
// the other, which would otherwise decide the round).
Sample run(std::vector<char*> argv, const char* input, int cpu) {
    static const long pause_ms = [] {
        const char* v = std::getenv("WHOLERUN_PAUSE_MS");
        return v != nullptr ? std::atol(v) : 300L;
    }();
    std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
    argv.push_back(nullptr);
    cpu_set_t all, one;
    sched_getaffinity(0, sizeof all, &all);
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    sched_setaffinity(0, sizeof one, &one);
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        sched_setaffinity(0, sizeof all, &all);
        const int in = open(input ? input : "/dev/null", O_RDONLY);
        const int out = open("/dev/null", O_WRONLY);
        dup2(in, 0);
        dup2(out, 1);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    sched_setaffinity(0, sizeof all, &all);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto t1 = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "wholerun_runner: %s failed (status %d)\n", argv[0], status);
        std::exit(2);
    }
    return {std::chrono::duration<double>(t1 - t0).count(), usage.ru_maxrss};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: wholerun_runner RUNS DIALOGUE -- PONDRA... -- FLOOR...\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    const char* dialogue = argv[2];
    std::vector<char*> pondra, floor;
    int i = 4;
    for (; i < argc && std::string(argv[i]) != "--"; ++i) pondra.push_back(argv[i]);
    for (++i; i < argc; ++i) floor.push_back(argv[i]);

    std::vector<double> tp, tf, ratio;
    long rss = 0;
    cpu_set_t cpus;
    sched_getaffinity(0, sizeof cpus, &cpus);
    std::vector<int> usable;
    for (int c = 0; c < CPU_SETSIZE; ++c)
        if (CPU_ISSET(c, &cpus)) usable.push_back(c);
    for (int r = 0; r < runs; ++r) {
        // Alternating the order each round spreads the machine's drift over
        // both; the starting CPU changes every other round.
        const int cpu = usable[static_cast<std::size_t>(r / 2) % usable.size()];
        Sample p{}, f{};
        if (r % 2 == 0) {
            p = run(pondra, dialogue, cpu);
            f = run(floor, nullptr, cpu);
        } else {
            f = run(floor, nullptr, cpu);
            p = run(pondra, dialogue, cpu);
        }
        tp.push_back(p.seconds);
        tf.push_back(f.seconds);
        ratio.push_back(p.seconds / f.seconds);
        rss = std::max(rss, p.max_rss_kib);
    }
    const double mp = median(tp), mf = median(tf);
    std::vector<double> sorted = ratio;
    std::sort(sorted.begin(), sorted.end());
    const auto quartile = [&](double q) { return sorted[static_cast<std::size_t>(q * (sorted.size() - 1) + 0.5)]; };
    std::printf("runs %d  pondra median %.3f s  floor median %.3f s  ratio %.2f  pondra peak RSS %.1f MiB\n", runs,
                mp, mf, mp / mf, rss / 1024.0);
    std::printf("per-round ratio: median %.3f  quartiles %.3f-%.3f  range %.3f-%.3f\n", median(ratio), quartile(0.25),
                quartile(0.75), sorted.front(), sorted.back());
    return 0;
}
