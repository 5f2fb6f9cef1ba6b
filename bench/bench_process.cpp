// Whole programs, timed from outside: tessaly-convert writing, reading and checking a million
// lines (and reading a million lines of junk beside sed rewriting them), and the window from
// process start until it has been drawn, with its peak memory.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

extern char** environ;

namespace {

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;  // user and system: steadier than wall time on a busy machine
    long maxRssKb = 0;
    int status = -1;
};

// Runs `argv` (its program found on the PATH if it names no folder) with stdin from `in`, stdout to
// `out` and stderr to /dev/null.
Run spawn(const std::vector<std::string>& argv, const char* in,
          const std::vector<std::string>& extraEnv = {}, const char* out = "/dev/null") {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in, O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envStore(extraEnv);
    for (char** e = environ; *e; ++e)
        envStore.emplace_back(*e);
    std::vector<char*> env;
    for (std::string& e : envStore)
        env.push_back(e.data());
    env.push_back(nullptr);

    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data()) != 0)
        return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.maxRssKb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

// A million amounts as a cheque run has them; every `failEvery`-th line cannot be converted.
std::string writeLines(int failEvery) {
    static const char* const amounts[] = {"41823.51",    "5",         "0.05",         "123.456",
                                          "20030005.06", "100000001", "999999999.99", "1000100"};
    const std::string path = "/tmp/tessaly-bench-lines-" + std::to_string(failEvery) + ".txt";
    std::FILE* f = std::fopen(path.c_str(), "w");
    for (int i = 0; i < 1'000'000; ++i) {
        if (failEvery > 0 && i % failEvery == 0) {
            std::fputs("1000000000\n", f);
        } else {
            std::fprintf(f, "%s\n", amounts[i % 8]);
        }
    }
    std::fclose(f);
    return path;
}

// A million lines of ten characters none of which belongs in an uppercase amount: a finding
// each, eight detailed and the rest counted, for every line.
std::string junkLines() {
    constexpr char kJunk[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::string path = "/tmp/tessaly-bench-junk.txt";
    std::string lines;
    std::uint32_t r = 1;
    for (int i = 0; i < 1'000'000; ++i) {
        for (int k = 0; k < 10; ++k) {
            r = r * 1664525 + 1013904223;  // the same lines on every run
            lines += kJunk[(r >> 16) % (sizeof kJunk - 1)];
        }
        lines += '\n';
    }
    std::ofstream(path, std::ios::binary) << lines;
    return path;
}

// Times `program` with `argv` over the million lines of `input`, then removes it.
void timeMillionLines(benchmark::State& state, const std::string& program,
                      std::vector<std::string> argv, const std::string& input, int status) {
    argv.insert(argv.begin(), program);
    double cpu = 0;
    for (auto _ : state) {
        const Run run = spawn(argv, input.c_str());
        if (run.status != status) {
            state.SkipWithError((program + " failed").c_str());
            break;
        }
        state.SetIterationTime(run.seconds);
        cpu += run.cpuSeconds;
    }
    state.counters["cpu_ms"] =
        benchmark::Counter(cpu * 1e3 / static_cast<double>(state.iterations()));
    state.counters["lines_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * 1e6, benchmark::Counter::kIsRate);
    std::remove(input.c_str());
}

// What the writing run writes from its valid lines; with `digits`, each line beside the amount
// it was written from, as --check takes them.
std::string uppercaseLines(bool digits) {
    const std::string amounts = writeLines(0);
    const std::string upper = "/tmp/tessaly-bench-upper.txt";
    if (spawn({TESSALY_CONVERT}, amounts.c_str(), {}, upper.c_str()).status != 0)
        return {};  // no input: the timed run then fails and says so
    if (!digits) {
        std::remove(amounts.c_str());
        return upper;
    }
    const std::string pairs = "/tmp/tessaly-bench-pairs.txt";
    std::ifstream a(amounts);
    std::ifstream u(upper);
    std::ofstream p(pairs);
    for (std::string amount, text; std::getline(a, amount) && std::getline(u, text);)
        p << amount << '\t' << text << '\n';
    std::remove(amounts.c_str());
    std::remove(upper.c_str());
    return pairs;
}

using Program = std::pair<std::string, std::string>;  // label, path

// The million-line runs of this build's tessaly-convert and, with TESSALY_BASELINE set to
// another build's, of that one beside each, for a before and after in one run.
void registerMillionLines(const std::vector<Program>& programs) {
    const auto add = [&](const std::string& name, const auto& body) {
        for (const auto& [label, program] : programs) {
            benchmark::RegisterBenchmark((name + "/" + label).c_str(),
                                         [=](benchmark::State& state) { body(state, program); })
                ->UseManualTime()
                ->Iterations(3)
                ->Unit(benchmark::kMillisecond);
        }
    };
    // 0: every line valid; 10: one line in ten fails.
    for (const int failEvery : {0, 10}) {
        add("ConvertMillionLines/" + std::to_string(failEvery),
            [failEvery](benchmark::State& state, const std::string& program) {
                timeMillionLines(state, program, {}, writeLines(failEvery), failEvery > 0 ? 1 : 0);
            });
    }
    add("ReadMillionLines", [](benchmark::State& state, const std::string& program) {
        timeMillionLines(state, program, {"--read"}, uppercaseLines(false), 0);
    });
    add("CheckMillionLines", [](benchmark::State& state, const std::string& program) {
        timeMillionLines(state, program, {"--check"}, uppercaseLines(true), 0);
    });
    // Junk costs no more than about twice what sed takes to pass over it (SedJunkLines).
    add("ReadJunkLines", [](benchmark::State& state, const std::string& program) {
        timeMillionLines(state, program, {"--read"}, junkLines(), 1);
    });
    benchmark::RegisterBenchmark("SedJunkLines",
                                 [](benchmark::State& state) {
                                     timeMillionLines(state, "sed", {"s/.*/壹/"}, junkLines(), 0);
                                 })
        ->UseManualTime()
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
}

#ifdef TESSALY_WINDOW
// Process start until the window has been drawn once (offscreen), then it quits.
void BM_WindowStartUp(benchmark::State& state) {
    long rss = 0;
    for (auto _ : state) {
        const Run run = spawn({TESSALY_WINDOW, "--quit-when-shown"}, "/dev/null",
                              {"QT_QPA_PLATFORM=offscreen"});
        if (run.status != 0) {
            state.SkipWithError("tessaly --quit-when-shown failed");
            break;
        }
        state.SetIterationTime(run.seconds);
        rss = std::max(rss, run.maxRssKb);
    }
    state.counters["peak_rss_MB"] = static_cast<double>(rss) / 1024.0;
}
BENCHMARK(BM_WindowStartUp)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
    std::vector<Program> programs = {{"this", TESSALY_CONVERT}};
    if (const char* baseline = std::getenv("TESSALY_BASELINE"))
        programs.emplace_back("baseline", baseline);
    registerMillionLines(programs);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
