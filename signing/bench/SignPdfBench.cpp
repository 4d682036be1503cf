// sign_pdf_bench [megabytes] [runs]: makes two host PDFs of that size (100 MB by default) with the
// host's PDF maker, one whose bulk is a binary filler and one whose bulk is JPEG and Flate images
// drawn on its page, and times, in this one process and from a warm cache, the signing of each with a
// scripted signature against two copies of the same file: copy_file_range, which never brings the
// bytes into the process, and a copy through a 1 MiB buffer, the floor for a rewrite that has to read
// what it writes. Each is repeated (7 runs by default) and the median printed, on the clock and in
// processor time, with the peak memory. Everything lies in a folder made for the run, which is
// removed at its end, so runs at once never meet.
#include "host/PdfMaker.h"
#include "signing/PdfCheck.h"
#include "signing/PdfRewrite.h"
#include "signing/Sig_pdf.h"
#include "station/Globals.h"
#include "win/WinPath.h"

#include <jpeglib.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
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

double cpuNow()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

Times seconds(const auto& work)
{
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuNow();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), cpuNow() - cpuStart};
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    const std::size_t middle = times.size() / 2;
    return times.size() % 2 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
}

Times median(const std::vector<Times>& runs)
{
    std::vector<double> wall, cpu;
    for (const Times& run : runs) {
        wall.push_back(run.wall);
        cpu.push_back(run.cpu);
    }
    return {median(wall), median(cpu)};
}

// A failure of the benchmark's own work, naming the path and the system's reason.
class Failure : public std::runtime_error {
public:
    Failure(const std::string& what, const std::string& path, int error)
        : std::runtime_error(what + " " + path + ": " + std::strerror(error))
    {
    }
};

// Opens both ends as a copying program would: the target created or emptied.
struct CopyEnds {
    CopyEnds(const std::string& from, const std::string& to)
        : in(::open(from.c_str(), O_RDONLY)), out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644))
    {
    }
    ~CopyEnds()
    {
        if (in >= 0)
            ::close(in);
        if (out >= 0)
            ::close(out);
    }
    // False when the target's last bytes could not be written.
    bool close()
    {
        const bool closed = out >= 0 && ::close(out) == 0;
        out = -1;
        return closed;
    }
    int in;
    int out;
};

bool copyInKernel(const std::string& from, const std::string& to)
{
    CopyEnds ends(from, to);
    bool ok = ends.in >= 0 && ends.out >= 0;
    while (ok) {
        const ssize_t copied = ::copy_file_range(ends.in, nullptr, ends.out, nullptr, 1 << 30, 0);
        if (copied == 0)
            break;
        ok = copied > 0;
    }
    return ends.close() && ok;
}

bool copyThroughBuffer(const std::string& from, const std::string& to)
{
    CopyEnds ends(from, to);
    bool ok = ends.in >= 0 && ends.out >= 0;
    std::vector<char> buffer(1 << 20);
    while (ok) {
        const ssize_t read = ::read(ends.in, buffer.data(), buffer.size());
        if (read == 0)
            break;
        ok = read > 0 && ::write(ends.out, buffer.data(), static_cast<std::size_t>(read)) == read;
    }
    return ends.close() && ok;
}

long peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A few loops across the box, as a hand would write them.
SigStrokes scriptedSignature()
{
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

// Pseudo-random bytes, fast and the same on every run.
class Noise {
public:
    unsigned char next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return static_cast<unsigned char>(m_state >> 56);
    }

private:
    std::uint64_t m_state = 0x9E3779B97F4A7C15ull;
};

struct JpegFailure {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// Writes a square RGB JPEG of a shaded, grainy picture row by row, so memory does not grow with it.
// False when libjpeg could not write it.
bool jpegRows(std::FILE* file, int side)
{
    jpeg_compress_struct compress{};
    JpegFailure failure{};
    compress.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = [](j_common_ptr common) {
        std::longjmp(reinterpret_cast<JpegFailure*>(common->err)->jump, 1);
    };
    std::vector<JSAMPLE> row(static_cast<std::size_t>(side) * 3);
    Noise noise;
    if (setjmp(failure.jump)) {
        jpeg_destroy_compress(&compress);
        return false;
    }
    jpeg_create_compress(&compress);
    jpeg_stdio_dest(&compress, file);
    compress.image_width = static_cast<JDIMENSION>(side);
    compress.image_height = static_cast<JDIMENSION>(side);
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, 92, TRUE);
    jpeg_start_compress(&compress, TRUE);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x)
            for (int c = 0; c < 3; ++c)
                row[static_cast<std::size_t>(x) * 3 + c] =
                    static_cast<JSAMPLE>((x * (c + 1) + y) / 32 % 256 / 2 + noise.next() % 96);
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&compress, rows, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    return true;
}

void writeJpeg(const std::string& path, int side)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw Failure("cannot write", path, errno);
    const bool written = jpegRows(file, side);
    const int error = errno;
    if (std::fclose(file) != 0 || !written)
        throw Failure("cannot write", path, written ? errno : error);
}

// Writes width by height RGB pixels of grain, compressed with zlib as a Flate image's data is, a
// strip at a time.
void writeFlate(const std::string& path, int width, int height)
{
    std::ofstream out(path, std::ios::binary);
    z_stream stream{};
    deflateInit(&stream, 1);
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
    std::vector<unsigned char> packed(1 << 16);
    Noise noise;
    for (int y = 0; y <= height && out; ++y) {
        const bool last = y == height;
        if (!last)
            for (unsigned char& byte : row)
                byte = noise.next();
        stream.next_in = row.data();
        stream.avail_in = last ? 0 : static_cast<uInt>(row.size());
        int status = Z_OK;
        do {
            stream.next_out = packed.data();
            stream.avail_out = static_cast<uInt>(packed.size());
            status = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            out.write(reinterpret_cast<const char*>(packed.data()),
                      static_cast<std::streamsize>(packed.size() - stream.avail_out));
        } while (stream.avail_out == 0 || (last && status != Z_STREAM_END));
    }
    deflateEnd(&stream);
    if (!out.flush())
        throw Failure("cannot write", path, errno);
}

std::uint64_t fileSize(const std::string& path)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        throw Failure("cannot read", path, error.value());
    return size;
}

// The images of a host PDF of about bytes in all: one JPEG drawn twice, a quarter of the whole each at
// 100 MB (a 6000 by 6000 picture there), and two Flate images of grain for the rest.
std::vector<host::PdfImage> makeImages(const std::string& folder, std::uint64_t bytes)
{
    const int side = std::max(16, static_cast<int>(6000 * std::sqrt(static_cast<double>(bytes) / 1e8)));
    const std::string jpeg = folder + "/picture.jpg";
    writeJpeg(jpeg, side);
    const std::uint64_t jpegBytes = fileSize(jpeg);
    const std::uint64_t rest = bytes > 2 * jpegBytes ? (bytes - 2 * jpegBytes) / 2 : 3000;
    const int width = 2000;
    const int height = std::max<int>(1, static_cast<int>(rest / (width * 3)));
    const std::string flate = folder + "/grain.bin";
    writeFlate(flate, width, height);
    const std::string jpegEntries = "/Width " + std::to_string(side) + " /Height " + std::to_string(side) +
                                    " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode";
    const std::string flateEntries = "/Width " + std::to_string(width) + " /Height " + std::to_string(height) +
                                     " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode";
    return {{jpegEntries, jpeg}, {flateEntries, flate}, {jpegEntries, jpeg}, {flateEntries, flate}};
}

// The folder of this run, made afresh under TMPDIR (or /tmp), and removed with what the run put in it.
class RunFolder {
public:
    RunFolder()
    {
        const char* base = std::getenv("TMPDIR");
        const std::string parent = base && *base ? base : "/tmp";
        std::string name = parent + "/stylara-sign-bench-XXXXXX";
        if (!::mkdtemp(name.data()))
            throw Failure("cannot make a folder in", parent, errno);
        m_path = name;
    }
    ~RunFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

void makeFolder(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error)
        throw Failure("cannot make", path, error.value());
}

void writeHostPdf(const std::string& path, const host::PdfOptions& options)
{
    std::ofstream out(path, std::ios::binary);
    if (!out)
        throw Failure("cannot write", path, errno);
    host::WriteHostPdf(out, options);
    if (!out.flush())
        throw Failure("cannot write", path, errno);
}

// Times the signing of the document at UnsignedPdfPath against the two copies, prints the medians,
// and checks the last signed output once: sound, and the source object for object. False when a copy
// or a signing failed or the output did not pass.
bool measure(const char* name, const std::string& copy, int runs, const SigStrokes& strokes)
{
    const std::string source = win::nativePath(globals.UnsignedPdfPath);
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
    // Once more, outside the timing: the last signed output is sound and is its source with the
    // signature, so a fast but wrong rewrite cannot pass for a good one.
    const std::string output = win::nativePath(globals.SignedPdfPath);
    const SignedStream stream{-1, SignatureBlock(100, 200, strokes)};
    const std::string difference =
        signedOk ? PdfFileObjectsDiffer(source, output, stream) : std::string("it was not signed");
    const bool sound = signedOk && PdfFileIsSound(output) && difference.empty();
    const Times kernel = median(kernelTimes);
    const Times buffer = median(bufferTimes);
    const Times sign = median(signTimes);
    const Times check = median(checkTimes);
    std::printf("%s: %llu bytes, median of %d runs\n", name, static_cast<unsigned long long>(fileSize(source)), runs);
    std::printf("                             clock    processor\n");
    std::printf("copy through a 1 MiB buffer: %.3f s  %.3f s\n", buffer.wall, buffer.cpu);
    std::printf("copy_file_range:             %.3f s  %.3f s\n", kernel.wall, kernel.cpu);
    std::printf("SignPdfFile:                 %.3f s  %.3f s\n", sign.wall, sign.cpu);
    std::printf("  its control-line check:    %.3f s  %.3f s\n", check.wall, check.cpu);
    std::printf("ratio to copy_file_range     %.2f     %.2f\n", sign.wall / kernel.wall, sign.cpu / kernel.cpu);
    std::printf("%s: ratio to the buffered copy %.2f (processor %.2f)\n", name, sign.wall / buffer.wall,
                sign.cpu / buffer.cpu);
    std::printf("peak memory so far: %ld MB\n", peakMegabytes());
    std::printf("signed output is sound and its source object for object: %s%s\n\n",
                sound ? "yes" : "no: ", sound ? "" : difference.c_str());
    return copied && sound;
}

const char* const usage = "usage: sign_pdf_bench [MB] [RUNS]\n"
                          "Times the signing of two host PDFs of MB megabytes (0 to 100000, default 100), one of a\n"
                          "binary filler and one of JPEG and Flate images, against two copies of each, RUNS times\n"
                          "(1 to 1000, default 7), and prints the medians.\n";

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

int run(std::uint64_t megabytes, int runs)
{
    const RunFolder folder;
    makeFolder(folder.path() + "/c/Stylara/Temp");
    setenv("STYLARA_DRIVES", folder.path().c_str(), 1);
    setenv("STYLARA_BOXES", "log", 1);
    globals.TempDir = "C:\\Stylara\\Temp";
    globals.UnsignedPdfPath = globals.TempDir + "\\unsigned.pdf";
    const std::string source = win::nativePath(globals.UnsignedPdfPath);
    const std::string copy = win::nativePath(globals.TempDir + "\\copy.pdf");
    const SigStrokes strokes = scriptedSignature();
    const std::uint64_t bytes = megabytes * 1000 * 1000;

    host::PdfOptions filler;
    filler.fillerBytes = bytes;
    writeHostPdf(source, filler);
    std::printf("peak memory before signing: %ld MB\n\n", peakMegabytes());
    bool ok = measure("host PDF of a binary filler", copy, runs, strokes);

    host::PdfOptions pictures;
    pictures.images = makeImages(folder.path(), bytes);
    writeHostPdf(source, pictures);
    std::printf("its images: a JPEG of %s (%llu bytes) and a Flate image of %s (%llu bytes), each drawn twice\n",
                pictures.images[0].dictionary.substr(0, pictures.images[0].dictionary.find(" /Color")).c_str(),
                static_cast<unsigned long long>(fileSize(pictures.images[0].dataPath)),
                pictures.images[1].dictionary.substr(0, pictures.images[1].dictionary.find(" /Color")).c_str(),
                static_cast<unsigned long long>(fileSize(pictures.images[1].dataPath)));
    ok = measure("host PDF of JPEG and Flate images", copy, runs, strokes) && ok;
    std::printf("peak memory: %ld MB\n", peakMegabytes());
    if (!ok)
        std::fprintf(stderr, "sign_pdf_bench: a copy or a signing failed, or its output did not pass\n");
    return ok ? 0 : 1;
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
    try {
        return run(*megabytesAsked, static_cast<int>(*runsAsked));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "sign_pdf_bench: %s\n", failure.what());
        return 1;
    }
}
