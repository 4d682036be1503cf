// sign_pdf_bench [megabytes]: makes a host PDF of that size (100 MB by default) with the host's PDF
// maker, signs it with a scripted signature and prints the time against a plain "cp" of the same file
// and the peak memory of the process.
#include "host/PdfMaker.h"
#include "signing/Sig_pdf.h"
#include "station/Globals.h"
#include "win/WinPath.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

double seconds(const auto& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool copyWithCp(const std::string& from, const std::string& to) {
    const char* argv[] = {"cp", from.c_str(), to.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "cp", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// What a program that copies through its own buffer takes, the floor for a rewrite that reads and writes.
bool copyThroughBuffer(const std::string& from, const std::string& to) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    std::FILE* out = std::fopen(to.c_str(), "wb");
    bool ok = in && out;
    std::vector<char> buffer(1 << 20);
    while (ok) {
        const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), in);
        if (read == 0) break;
        ok = std::fwrite(buffer.data(), 1, read, out) == read;
    }
    if (in) std::fclose(in);
    if (out) ok = std::fclose(out) == 0 && ok;
    return ok;
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

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100;
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

    // The best of three runs each, both from a warm cache.
    double copyTime = 1e9;
    double signTime = 1e9;
    double checkTime = 1e9;
    double bufferTime = 1e9;
    bool copied = true;
    bool signedOk = true;
    for (int run = 0; run < 3; ++run) {
        copyTime = std::min(copyTime, seconds([&] { copied = copied && copyWithCp(source, copy); }));
        bufferTime = std::min(bufferTime, seconds([&] { copied = copied && copyThroughBuffer(source, copy); }));
        signTime = std::min(signTime, seconds([&] { signedOk = signedOk && SignPdfFile(strokes); }));
        checkTime =
            std::min(checkTime, seconds([&] { signedOk = signedOk && HasControlLine(globals.UnsignedPdfPath); }));
    }
    const long peakAfter = peakMegabytes();
    std::printf("host PDF: %llu bytes\n", static_cast<unsigned long long>(std::filesystem::file_size(source)));
    std::printf("cp: %.3f s, SignPdfFile: %.3f s, ratio %.2f\n", copyTime, signTime, signTime / copyTime);
    std::printf("of which the control-line check: %.3f s\n", checkTime);
    std::printf("copy through a 1 MB buffer: %.3f s, ratio %.2f\n", bufferTime, signTime / bufferTime);
    std::printf("peak memory: %ld MB before signing, %ld MB after\n", peakBefore, peakAfter);
    std::filesystem::remove_all(root);
    if (!copied || !signedOk) {
        std::fprintf(stderr, "the copy or the signing failed\n");
        return 1;
    }
    return 0;
}
