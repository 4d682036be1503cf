// sign_pdf_bench [megabytes] [runs]: makes a host PDF of that size (100 MB by default) with the host's
// PDF maker and times, in this one process and from a warm cache, the signing of it with a scripted
// signature against two copies of the same file: copy_file_range, which never brings the bytes into
// the process, and a copy through a 1 MiB buffer, the floor for a rewrite that has to read what it
// writes. Each is repeated (7 runs by default) and the median printed, on the clock and in processor
// time, with the peak memory.
#include "host/PdfMaker.h"
#include "signing/PdfCheck.h"
#include "signing/Sig_pdf.h"
#include "station/Globals.h"
#include "win/WinPath.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The time a piece of work takes on the clock and on the processor (the process's user and system
// time), the second being steadier on a machine that other work shares.
struct Times {
    double wall = 0;
    double cpu = 0;
};

double cpuNow() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

Times seconds(const auto& work) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuNow();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), cpuNow() - cpuStart};
}

double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const std::size_t middle = times.size() / 2;
    return times.size() % 2 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
}

Times median(const std::vector<Times>& runs) {
    std::vector<double> wall, cpu;
    for (const Times& run : runs) {
        wall.push_back(run.wall);
        cpu.push_back(run.cpu);
    }
    return {median(wall), median(cpu)};
}

// Opens both ends as a copying program would: the target created or emptied.
struct CopyEnds {
    CopyEnds(const std::string& from, const std::string& to)
        : in(::open(from.c_str(), O_RDONLY)), out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)) {}
    ~CopyEnds() {
        if (in >= 0) ::close(in);
    }
    // False when the target's last bytes could not be written.
    bool close() {
        const bool closed = out >= 0 && ::close(out) == 0;
        out = -1;
        return closed;
    }
    int in;
    int out;
};

bool copyInKernel(const std::string& from, const std::string& to) {
    CopyEnds ends(from, to);
    bool ok = ends.in >= 0 && ends.out >= 0;
    while (ok) {
        const ssize_t copied = ::copy_file_range(ends.in, nullptr, ends.out, nullptr, 1 << 30, 0);
        if (copied == 0) break;
        ok = copied > 0;
    }
    return ends.close() && ok;
}

bool copyThroughBuffer(const std::string& from, const std::string& to) {
    CopyEnds ends(from, to);
    bool ok = ends.in >= 0 && ends.out >= 0;
    std::vector<char> buffer(1 << 20);
    while (ok) {
        const ssize_t read = ::read(ends.in, buffer.data(), buffer.size());
        if (read == 0) break;
        ok = read > 0 && ::write(ends.out, buffer.data(), static_cast<std::size_t>(read)) == read;
    }
    return ends.close() && ok;
}

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A few loops across the box, as a hand would write them.
SigStrokes scriptedSignature() {
    SigStrokes strokes;
    for (int s = 0; s < 4; ++s) {
        SigStroke stroke;
        for (int i = 0; i < 200; ++i) {
            const double t = i / 200.0;
            stroke.push_back({static_cast<std::int16_t>(150 + s * 420 + t * 400),
                              static_cast<std::int16_t>(350 + 200 * std::sin(t * 12 + s))});
        }
        strokes.push_back(stroke);
    }
    return strokes;
}

const char* const usage = "usage: sign_pdf_bench [MB] [RUNS]\n"
                          "Times the signing of a host PDF of MB megabytes (0 to 100000, default 100) against two\n"
                          "copies of it, RUNS times (1 to 1000, default 7), and prints the medians.\n";

// A whole number in the range, or nothing.
std::optional<std::uint64_t> countOf(const std::string& text, std::uint64_t lowest, std::uint64_t highest)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const std::uint64_t value = std::stoull(text);
    if (value < lowest || value > highest)
        return std::nullopt;
    return value;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& argument : args)
        if (argument == "--help" || argument == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
    const std::optional<std::uint64_t> megabytesAsked = args.size() > 0 ? countOf(args[0], 0, 100000) : 100;
    const std::optional<std::uint64_t> runsAsked = args.size() > 1 ? countOf(args[1], 1, 1000) : 7;
    const char* wrong = args.size() > 2   ? "unexpected argument"
                        : !megabytesAsked ? "not a size in megabytes"
                        : !runsAsked      ? "not a number of runs"
                                          : nullptr;
    if (wrong) {
        const std::string& named = args.size() > 2 ? args[2] : !megabytesAsked ? args[0] : args[1];
        std::fprintf(stderr, "sign_pdf_bench: %s: %s\n%s", wrong, named.c_str(), usage);
        return 2;
    }
    const std::uint64_t megabytes = *megabytesAsked;
    const int runs = static_cast<int>(*runsAsked);
    const std::filesystem::path root = std::filesystem::temp_directory_path() / "stylara-sign-bench";
    std::filesystem::create_directories(root / "c" / "Stylara" / "Temp");
    setenv("STYLARA_DRIVES", root.c_str(), 1);
    setenv("STYLARA_BOXES", "log", 1);
    globals.TempDir = "C:\\Stylara\\Temp";
    globals.UnsignedPdfPath = globals.TempDir + "\\unsigned.pdf";
    const std::string source = win::nativePath(globals.UnsignedPdfPath);
    const std::string copy = win::nativePath(globals.TempDir + "\\copy.pdf");

    host::PdfOptions options;
    options.fillerBytes = megabytes * 1000 * 1000;
    {
        std::ofstream out(source, std::ios::binary);
        host::WriteHostPdf(out, options);
        if (!out.flush()) {
            std::fprintf(stderr, "cannot write %s\n", source.c_str());
            return 1;
        }
    }
    const long peakBefore = peakMegabytes();
    const SigStrokes strokes = scriptedSignature();

    std::vector<Times> kernelTimes, bufferTimes, signTimes, checkTimes;
    bool copied = true;
    bool signedOk = true;
    // Interleaved, so a change in the machine's load falls on all of them alike.
    for (int run = 0; run < runs; ++run) {
        kernelTimes.push_back(seconds([&] { copied = copyInKernel(source, copy) && copied; }));
        bufferTimes.push_back(seconds([&] { copied = copyThroughBuffer(source, copy) && copied; }));
        signTimes.push_back(seconds([&] { signedOk = SignPdfFile(strokes) && signedOk; }));
        checkTimes.push_back(seconds([&] { signedOk = HasControlLine(globals.UnsignedPdfPath) == 1 && signedOk; }));
    }
    // Once more, outside the timing: the last signed output passes the check the signer makes, so a
    // fast but wrong rewrite cannot pass for a good one.
    const bool sound = signedOk && PdfFileIsSound(win::nativePath(globals.SignedPdfPath));
    const Times kernel = median(kernelTimes);
    const Times buffer = median(bufferTimes);
    const Times sign = median(signTimes);
    const Times check = median(checkTimes);
    const long peakAfter = peakMegabytes();
    std::printf("host PDF: %llu bytes, median of %d runs\n",
                static_cast<unsigned long long>(std::filesystem::file_size(source)), runs);
    std::printf("                             clock    processor\n");
    std::printf("copy through a 1 MiB buffer: %.3f s  %.3f s\n", buffer.wall, buffer.cpu);
    std::printf("copy_file_range:             %.3f s  %.3f s\n", kernel.wall, kernel.cpu);
    std::printf("SignPdfFile:                 %.3f s  %.3f s\n", sign.wall, sign.cpu);
    std::printf("  its control-line check:    %.3f s  %.3f s\n", check.wall, check.cpu);
    std::printf("ratio to the buffered copy   %.2f     %.2f\n", sign.wall / buffer.wall, sign.cpu / buffer.cpu);
    std::printf("ratio to copy_file_range     %.2f     %.2f\n", sign.wall / kernel.wall, sign.cpu / kernel.cpu);
    std::printf("peak memory: %ld MB before signing, %ld MB after\n", peakBefore, peakAfter);
    std::printf("signed output passes the check: %s\n", sound ? "yes" : "no");
    std::filesystem::remove_all(root);
    if (!copied || !signedOk || !sound) {
        std::fprintf(stderr, "the copy or the signing failed\n");
        return 1;
    }
    return 0;
}
