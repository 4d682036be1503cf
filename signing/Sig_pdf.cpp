#include "Sig_pdf.h"

#include "Adobe_form.h"
#include "station/Globals.h"
#include "station/Init.h"
#include "ui/MessageBox.h"
#include "win/Files.h"
#include "win/WinPath.h"

#include "PdfCheck.h"
#include "PdfRewrite.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

void showError(const std::string& text, const char* caption = "Error")
{
    BringWindowToFront(form_adobe);
    ui::MessageBox(text, caption, ui::MB_OK | ui::MB_ICONERROR);
}

// A file read by position into one buffer, which is reused and never cleared, as the read fills what
// is looked at.
class FilePdfInput final : public PdfInput {
public:
    ~FilePdfInput() override { close(); }

    bool open(const std::string& path)
    {
        close();
        m_file = win::openFile(path, "rb");
        return m_file != nullptr;
    }

    void close()
    {
        if (m_file)
            std::fclose(m_file);
        m_file = nullptr;
    }

    std::span<const char> view(long long offset, std::size_t size) override
    {
        if (!m_file || offset < 0)
            return {};
        if (size > m_capacity) {
            m_buffer.reset(new char[size]);
            m_capacity = size;
        }
        std::size_t filled = 0;
        while (filled < size) {
            const ssize_t read = ::pread(fileno(m_file), m_buffer.get() + filled, size - filled,
                                         static_cast<off_t>(offset + static_cast<long long>(filled)));
            if (read < 0 && errno == EINTR)
                continue;
            if (read <= 0)
                break;
            filled += static_cast<std::size_t>(read);
        }
        return {m_buffer.get(), filled};
    }

    long long size() override
    {
        struct stat status {};
        return m_file && ::fstat(fileno(m_file), &status) == 0 ? static_cast<long long>(status.st_size) : 0;
    }

private:
    std::FILE* m_file = nullptr;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity = 0;
};

// The target, written through one buffer; a piece larger than the buffer goes out in one call of its own.
class FilePdfOutput final : public PdfOutput {
public:
    ~FilePdfOutput() override { close(); }

    bool open(const std::string& path, const char* mode)
    {
        close();
        m_file = win::openFile(path, mode);
        m_failed = false;
        return m_file != nullptr;
    }

    bool write(std::string_view bytes) override
    {
        if (!m_file || m_failed)
            return false;
        if (m_used + bytes.size() > Capacity && !flush())
            return false;
        if (bytes.size() >= Capacity)
            return writeAll(bytes);
        if (!m_buffer)
            m_buffer.reset(new char[Capacity]);
        std::memcpy(m_buffer.get() + m_used, bytes.data(), bytes.size());
        m_used += bytes.size();
        return true;
    }

    // False when the last buffered bytes could not be written.
    bool close()
    {
        if (!m_file)
            return true;
        const bool written = flush() && std::fclose(m_file) == 0;
        if (!written && m_file)
            std::fclose(m_file);
        m_file = nullptr;
        return written;
    }

private:
    static constexpr std::size_t Capacity = 64 << 10;

    bool flush()
    {
        const std::size_t used = std::exchange(m_used, 0);
        return writeAll({m_buffer.get(), used});
    }

    bool writeAll(std::string_view bytes)
    {
        while (!m_failed && !bytes.empty()) {
            const ssize_t written = ::write(fileno(m_file), bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                m_failed = true;
            else
                bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        return !m_failed;
    }

    std::FILE* m_file = nullptr;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
    bool m_failed = false;
};

// Runs the rewrite between the files, opening each as the steps need it, and gathers the messages.
bool rewriteFiles(PdfRewrite& rewrite, std::vector<PdfMessage>& fileMessages, bool& created)
{
    const auto fail = [&](const char* text) {
        fileMessages.push_back({text, "Error"});
        return false;
    };
    FilePdfInput source;
    FilePdfOutput target;
    if (!source.open(globals.UnsignedPdfPath))
        return fail("Error opening source PDF file for update! (1)");
    globals.SignedPdfPath = globals.TempDir + "\\signed.pdf";
    if (!target.open(globals.SignedPdfPath, "wb"))
        return fail("Error opening target PDF file for update! (1)");
    created = true;
    if (!rewrite.copyToMarker(source, target))
        return false;
    source.close();
    if (!target.close())
        return fail("Error writing target PDF file!");
    if (!source.open(globals.UnsignedPdfPath))
        return fail("Error opening source PDF file for update! (2)");
    if (!rewrite.readControlLine(source))
        return false;
    if (!target.open(globals.SignedPdfPath, "ab"))
        return fail("Error opening target PDF file for update! (2)");
    if (!rewrite.writeRest(target))
        return false;
    if (!target.close())
        return fail("Error writing target PDF file!");
    // What the disk holds is checked, not what was meant to go there.
    return rewrite.confirmWritten(CheckSignedPdfFile(win::nativePath(globals.SignedPdfPath), rewrite.signedStream(),
                                                     win::nativePath(globals.UnsignedPdfPath)));
}

} // namespace

int HasControlLine(const std::string& path)
{
    FilePdfInput file;
    if (!file.open(path)) {
        showError("Error opening target PDF file! (1)");
        return -1;
    }
    return FindControlLine(file) ? 1 : 0;
}

bool SignPdfFile(const SigStrokes& strokes)
{
    if (!win::fileExists(globals.UnsignedPdfPath)) {
        showError("Local unsigned PDF file is missing!");
        return false;
    }
    if (HasControlLine(globals.UnsignedPdfPath) == 0) {
        showError("Control data missing in PDF file.  Document already signed?");
        return false;
    }
    PdfRewrite rewrite(strokes, PdfDateString());
    std::vector<PdfMessage> fileMessages;
    bool created = false;
    const bool written = rewriteFiles(rewrite, fileMessages, created);
    // A refused document leaves no half-written copy that a later delivery could take for signed.
    if (!written && created)
        win::deleteFile(globals.SignedPdfPath);
    std::vector<PdfMessage> messages = rewrite.messages();
    messages.insert(messages.end(), fileMessages.begin(), fileMessages.end());
    for (const PdfMessage& message : messages)
        showError(message.text, message.caption.c_str());
    return written;
}
