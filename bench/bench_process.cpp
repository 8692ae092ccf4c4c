// B7: a whole `pihost topology --json` run on the sample against a process that only loads the same
// libraries with dlopen. Each is started RUNS times, alternately; the table shows the mean CPU time.
// B10: the idle cost of `pihost watch` at the shortest poll interval: CPU time and peak memory.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchPlugin.h"
#include "BenchReport.h"

extern char** environ;

namespace bench {
namespace {
const int RUNS = 20;

struct RunTime {
    double wallUs = -1;  // negative: the program failed
    double cpuUs = 0;    // user and system time of the child
    long peakRssKiB = 0; // the child's peak resident memory, when asked for
};

// The peak resident memory of a running process (VmHWM). The child's own ru_maxrss will not do: a
// child started by posix_spawn counts the parent's peak from before its exec.
long PeakRssKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 6, "VmHWM:") == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return 0;
}

RunTime RunOnce(const std::vector<std::string>& args, bool watchMemory = false) {
    std::vector<char*> argv;
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    RunTime time;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return time;
    }
    int status = 0;
    rusage usage{};
    if (watchMemory) {
        // Read while it runs: after its exit the figure is gone.
        while (wait4(pid, &status, WNOHANG, &usage) == 0) {
            time.peakRssKiB = std::max(time.peakRssKiB, PeakRssKiB(pid));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    } else {
        wait4(pid, &status, 0, &usage);
    }
    const double wall = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    time.cpuUs = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    time.wallUs = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? wall : -1;
    return time;
}

void WholeProcess(benchmark::State& state) {
    for (auto _ : state) {
        Row row;
        row.name = "B7/ours/pihost-topology-json";
        if (access(PIDORV_BENCH_PIHOST, X_OK) != 0) {
            row.note = "skipped: pihost is not built (" PIDORV_BENCH_PIHOST ")";
            row.met = -1;
            AddRow(row);
            continue;
        }
        TempDir dir;
        const std::vector<std::string> pihost = {PIDORV_BENCH_PIHOST,       "topology",     "--json",   "--db",
                                                 dir.Path() + "/pihost.db", "--config-dir", dir.Path(), "--plugin",
                                                 PIDORV_BENCH_PLUGIN};
        const std::vector<std::string> loader = {PIDORV_BENCH_LOADONLY, PIDORV_BENCH_PLUGIN};
        // The first runs fill the page cache and create the database file.
        RunOnce(pihost);
        RunOnce(loader);
        RunTime ours;
        RunTime base;
        ours.wallUs = base.wallUs = 0;
        int failed = 0;
        for (int i = 0; i < RUNS; ++i) {
            const RunTime o = RunOnce(pihost);
            const RunTime b = RunOnce(loader);
            failed += (o.wallUs < 0 || b.wallUs < 0) ? 1 : 0;
            ours.wallUs += o.wallUs;
            ours.cpuUs += o.cpuUs;
            base.wallUs += b.wallUs;
            base.cpuUs += b.cpuUs;
        }
        if (failed > 0) {
            row.note = "failed: a run of pihost or of the loader did not exit with 0";
            row.met = 0;
            AddRow(row);
            continue;
        }
        // CPU time, like the in-process rows; the wall time (waits for the disk included) beside it.
        row.oursUs = ours.cpuUs / RUNS;
        row.baseUs = base.cpuUs / RUNS;
        row.ratio = row.oursUs / row.baseUs;
        char note[160];
        std::snprintf(note, sizeof(note), "mean CPU time of %d runs each; wall %.0f us vs %.0f us (%.2fx)", RUNS,
                      ours.wallUs / RUNS, base.wallUs / RUNS, ours.wallUs / base.wallUs);
        row.note = note;
        AddRow(row);
    }
}

const int WATCH_SECONDS = 30;
const double MAX_CORE_SHARE = 0.002;
const double MAX_RSS_MIB = 10;

void IdleWatch(benchmark::State& state) {
    for (auto _ : state) {
        Row cpu;
        cpu.name = "B10/ours/watch-cpu";
        cpu.unit = "s/min";
        Row memory;
        memory.name = "B10/ours/watch-peak-rss";
        memory.unit = "MiB";
        if (access(PIDORV_BENCH_PIHOST, X_OK) != 0) {
            cpu.note = "skipped: pihost is not built (" PIDORV_BENCH_PIHOST ")";
            AddRow(cpu);
            continue;
        }
        TempDir dir;
        std::ofstream(dir.Path() + "/piDorv.ini") << "PollInterval=2\n";
        const RunTime run =
            RunOnce({PIDORV_BENCH_PIHOST, "watch", "--for", std::to_string(WATCH_SECONDS), "--db",
                     dir.Path() + "/pihost.db", "--config-dir", dir.Path(), "--plugin", PIDORV_BENCH_PLUGIN},
                    true);
        if (run.wallUs < 0) {
            cpu.note = "failed: pihost watch did not exit with 0";
            cpu.met = 0;
            AddRow(cpu);
            continue;
        }
        // Start-up and DeInitialize included: what the process costs over its whole run.
        const double share = run.cpuUs / run.wallUs;
        cpu.oursUs = share * 60;
        cpu.met = share <= MAX_CORE_SHARE ? 1 : 0;
        char note[128];
        std::snprintf(note, sizeof(note), "CPU seconds per minute = %.3f%% of one core; %.3f s CPU in %.1f s",
                      share * 100, run.cpuUs / 1e6, run.wallUs / 1e6);
        cpu.note = note;
        AddRow(cpu);
        memory.oursUs = static_cast<double>(run.peakRssKiB) / 1024;
        memory.met = memory.oursUs <= MAX_RSS_MIB ? 1 : 0;
        memory.note = "peak resident memory (VmHWM, read every 50 ms while it runs)";
        AddRow(memory);
    }
}

const bool registered = [] {
    SetGoal("B7", "<= 1.5x", 1.5);
    SetGoal("B10", "<= 0.2% of a core, <= 10 MiB");
    benchmark::RegisterBenchmark("B7/process", WholeProcess)->Iterations(1)->UseRealTime();
    benchmark::RegisterBenchmark("B10/idle-watch", IdleWatch)->Iterations(1)->UseRealTime();
    return true;
}();
} // namespace
} // namespace bench
