// B7: a whole `pihost topology --json` run on the sample against a process that only loads the same
// libraries with dlopen. Each is started RUNS times, alternately; the table shows the mean wall time.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchPlugin.h"
#include "BenchReport.h"

extern char** environ;

namespace bench {
namespace {
const int RUNS = 20;

// Wall time of one run in microseconds, or a negative number when the program failed.
double RunOnce(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? us : -1;
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
        const std::vector<std::string> pihost = {PIDORV_BENCH_PIHOST, "topology", "--json",
                                                 "--db", dir.Path() + "/pihost.db",
                                                 "--config-dir", dir.Path(),
                                                 "--plugin", PIDORV_BENCH_PLUGIN};
        const std::vector<std::string> loader = {PIDORV_BENCH_LOADONLY, PIDORV_BENCH_PLUGIN};
        // The first runs fill the page cache and create the database file.
        RunOnce(pihost);
        RunOnce(loader);
        double ours = 0;
        double base = 0;
        int failed = 0;
        for (int i = 0; i < RUNS; ++i) {
            const double o = RunOnce(pihost);
            const double b = RunOnce(loader);
            failed += (o < 0 || b < 0) ? 1 : 0;
            ours += o;
            base += b;
        }
        if (failed > 0) {
            row.note = "failed: a run of pihost or of the loader did not exit with 0";
            row.met = 0;
            AddRow(row);
            continue;
        }
        row.oursUs = ours / RUNS;
        row.baseUs = base / RUNS;
        row.ratio = row.oursUs / row.baseUs;
        row.note = "mean wall time of " + std::to_string(RUNS) + " runs each";
        AddRow(row);
    }
}

const bool registered = [] {
    SetGoal("B7", "<= 3x", 3.0);
    benchmark::RegisterBenchmark("B7/process", WholeProcess)->Iterations(1)->UseRealTime();
    return true;
}();
} // namespace
} // namespace bench
