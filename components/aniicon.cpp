#include "aniicon.h"

#include "win/Files.h"
#include "win/LibraryError.h"

#include <QBuffer>
#include <QCursor>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>

static_assert(std::endian::native == std::endian::little, "the tables are read as stored in the file");

namespace {

// An icon chunk smaller than a 32 x 32 icon of 16 colours with its 22-byte directory ends the frames.
constexpr std::uint32_t SmallestIconChunk = 766;
constexpr int IconDirectorySize = 22;

// Reads the file's bytes the way the class library's memory stream does: the position may be moved
// past the end, and any read that wants more bytes than stand from the position raises the read error.
// No read leaves the data.
class ChunkReader {
public:
    explicit ChunkReader(const QByteArray& data) : m_data(data.constData(), static_cast<size_t>(data.size())) {}

    void read(void* into, qint64 count) {
        if (count <= 0) return;
        checkRead(count);
        std::memcpy(into, m_data.data() + m_at, static_cast<size_t>(count));
        m_at += count;
    }

    QByteArray readBytes(qint64 count) {
        if (count <= 0) return QByteArray();
        checkRead(count);
        QByteArray bytes(m_data.data() + m_at, static_cast<qsizetype>(count));
        m_at += count;
        return bytes;
    }

    void skip(qint64 count) { m_at += count; }

    struct Chunk {
        char id[4];
        std::uint32_t size;

        // The id as text without blanks and control characters, so "seq " reads "seq".
        bool is(const char* text) const {
            std::string visible;
            for (char c : id)
                if (static_cast<unsigned char>(c) > 32) visible += c;
            return visible.find(text) != std::string::npos;
        }
        // The data and the pad byte that follows data of odd size.
        qint64 padded() const { return qint64(size) + (size & 1); }
    };

    Chunk chunk() {
        Chunk header{};
        read(header.id, 4);
        read(&header.size, 4);
        return header;
    }

private:
    void checkRead(qint64 count) const {
        const qint64 size = static_cast<qint64>(m_data.size());
        if (m_at > size || count > size - m_at) throw win::LibraryError("Stream read error");
    }

    std::string_view m_data;
    qint64 m_at = 0;
};

// A "rate" or "seq " chunk fills its table from entry 0; what lies beyond the table's 128 entries is
// passed over.
void readTable(ChunkReader& in, std::array<std::int32_t, TAniIconFile::TableEntries>& table, std::uint32_t size) {
    const qint64 tableBytes = qint64(sizeof(table));
    const qint64 taken = std::min<qint64>(size, tableBytes);
    in.read(table.data(), taken);
    in.skip(qint64(size) - taken);
}

std::uint32_t dword(const unsigned char* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t(bytes[3]) << 24);
}

void putWord(QByteArray& out, unsigned value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

// Makes an icon from one icon image resource (a device-independent bitmap with its mask, the height
// counting both): rebuilt as a one-image icon file for Qt's reader. A null image when none is made.
QImage iconFromResource(const QByteArray& image) {
    if (image.size() < 40) return QImage();
    const auto* header = reinterpret_cast<const unsigned char*>(image.constData());
    const std::int32_t width = std::int32_t(dword(header + 4));
    const std::int32_t height = std::int32_t(dword(header + 8)) / 2;
    const unsigned bitCount = header[14] | (header[15] << 8);
    if (dword(header) < 40 || width <= 0 || width > 256 || height <= 0 || height > 256) return QImage();
    QByteArray file;
    putWord(file, 0);
    putWord(file, 1);
    putWord(file, 1);
    file.append(char(width & 0xFF));
    file.append(char(height & 0xFF));
    file.append(char(bitCount < 8 ? 1 << bitCount : 0));
    file.append(char(0));
    putWord(file, 1);
    putWord(file, bitCount);
    putWord(file, image.size() & 0xFFFF);
    putWord(file, (image.size() >> 16) & 0xFFFF);
    putWord(file, IconDirectorySize);
    putWord(file, 0);
    file.append(image);
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QImage icon;
    if (!reader.read(&icon)) return QImage();
    return icon;
}

bool hasAniExtension(const std::string& fileName) {
    const auto at = fileName.find_last_of(".\\:");
    if (at == std::string::npos || fileName[at] != '.') return false;
    std::string extension = fileName.substr(at);
    for (char& c : extension)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension == ".ANI";
}

} // namespace

TAniIconFile::TAniIconFile() = default;
TAniIconFile::~TAniIconFile() = default;

void TAniIconFile::clearIcons() {
    for (QImage& icon : FrameIcons)
        icon = QImage();
    m_hotSpots.fill(QPoint());
}

void TAniIconFile::LoadFromFile(const std::string& fileName) {
    if (!hasAniExtension(fileName) || !win::fileExists(fileName)) return;
    std::string contents;
    if (!win::readWholeFile(fileName, contents)) throw win::LibraryError("Cannot open file \"" + fileName + "\"");
    CursorData = QByteArray(contents.data(), static_cast<qsizetype>(contents.size()));
    AniDecode();
    if (OnAniChange) OnAniChange();
    FLoaded = true;
}

void TAniIconFile::LoadFromStream(QIODevice* stream) {
    if (!stream) return;
    CursorData = readWholeStream(*stream);
    AniDecode();
    FLoaded = true;
}

void TAniIconFile::ReadData(QIODevice* stream) {
    LoadFromStream(stream);
    if (stream && OnAniChange) OnAniChange();
}

void TAniIconFile::SaveToStream(QIODevice* stream) const {
    if (stream) stream->write(CursorData);
}

void TAniIconFile::WriteData(QIODevice* stream) const {
    SaveToStream(stream);
}

void TAniIconFile::Assign(const TGraphic* source) {
    if (!source) {
        FLoaded = false;
        CursorData = QByteArray();
        clearIcons();
        return;
    }
    const auto* file = dynamic_cast<const TAniIconFile*>(source);
    if (!file) throw win::LibraryError(std::string("Cannot assign a ") + source->ClassName() + " to a " + ClassName());
    CursorData = file->CursorData;
    FLoaded = true;
    AniDecode();
}

void TAniIconFile::AniDecode() {
    if (CursorData.isEmpty()) return;
    ChunkReader in(CursorData);
    char riff[12];
    in.read(riff, sizeof riff);
    ChunkReader::Chunk chunk = in.chunk();

    // A leading information list holds the title and the author, passed over unread.
    if (!chunk.is("anih")) {
        char listType[4];
        in.read(listType, 4);
        chunk = in.chunk();
        if (!chunk.is("anih")) {
            in.skip(chunk.padded());
            chunk = in.chunk();
            in.skip(chunk.padded());
            chunk = in.chunk();
        }
    }

    unsigned char header[36];
    in.read(header, sizeof header);
    std::uint32_t* fields[] = {&AniHeader.cbSizeOf, &AniHeader.cFrames, &AniHeader.cSteps,
                               &AniHeader.cx,       &AniHeader.cy,      &AniHeader.cBitCount,
                               &AniHeader.cPlanes,  &AniHeader.JifRate, &AniHeader.flags};
    for (int i = 0; i < 9; ++i)
        *fields[i] = dword(header + 4 * i);
    for (int i = 0; i <= 80; ++i)
        FrameRates[i] = std::int32_t(AniHeader.JifRate);

    chunk = in.chunk();
    if (chunk.is("rate")) {
        readTable(in, FrameRates, chunk.size);
        chunk = in.chunk();
    }
    if (chunk.is("seq")) {
        readTable(in, FrameSequence, chunk.size);
        chunk = in.chunk();
    }
    if (!chunk.is("LIST")) return;

    char listType[4];
    in.read(listType, 4);
    clearIcons();
    const std::uint32_t frames = std::min<std::uint32_t>(AniHeader.cFrames, MaxFrames);
    for (std::uint32_t number = 1; number <= frames; ++number) {
        const ChunkReader::Chunk icon = in.chunk();
        if (icon.size < SmallestIconChunk) break;
        unsigned char directory[6], entry[16];
        in.read(directory, sizeof directory);
        in.read(entry, sizeof entry);
        qint64 size = icon.size;
        const std::uint32_t imageOffset = dword(entry + 12);
        if (imageOffset > std::uint32_t(IconDirectorySize)) {
            in.skip(qint64(imageOffset) - IconDirectorySize);
            size -= qint64(imageOffset) - IconDirectorySize;
        }
        // An offset past the chunk's end leaves no image: that frame gets no icon.
        const QByteArray image = in.readBytes(size - IconDirectorySize);
        QImage made = iconFromResource(image);
        const bool cursor = (directory[2] | (directory[3] << 8)) == 2;
        m_hotSpots[number - 1] = cursor ? QPoint(entry[4] | (entry[5] << 8), entry[6] | (entry[7] << 8))
                                        : QPoint(made.width() / 2, made.height() / 2);
        FrameIcons[number - 1] = std::move(made);
    }
    CurrentFrame = 0;
    StepTicks = 0;
}

void TAniIconFile::SetFrame(int index) {
    if (index < 0 || index >= MaxFrames) index = 0;
    CurrentFrame = FrameIcons[index].isNull() ? 0 : index;
    StepTicks = 0;
}

void TAniIconFile::Step() {
    StepTicks += 2;
    if (FrameRates[CurrentFrame] < StepTicks) {
        StepTicks = 0;
        CurrentFrame = CurrentFrame >= MaxFrames - 1 ? 0 : CurrentFrame + 1;
        if (FrameIcons[CurrentFrame].isNull()) CurrentFrame = 0;
        if (OnAniChange) OnAniChange();
    }
}

void TAniIconFile::Draw(QPainter& canvas, const TRect& rect) {
    const QImage& icon = FrameIcons[CurrentFrame];
    if (!icon.isNull()) canvas.drawImage(rect.left, rect.top, icon);
}

std::optional<QCursor> TAniIconFile::GetCursorHandle() const {
    // The file is decoded afresh, as the platform's cursor loader reads the whole file itself.
    if (CursorData.isEmpty()) return std::nullopt;
    TAniIconFile copy;
    try {
        QByteArray bytes = CursorData;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        copy.LoadFromStream(&buffer);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (copy.FrameIcons[0].isNull()) return std::nullopt;
    return QCursor(QPixmap::fromImage(copy.FrameIcons[0]), copy.m_hotSpots[0].x(), copy.m_hotSpots[0].y());
}

void TAniIconFile::StreamToTemp(const std::string& fileName) const {
    if (CursorData.isEmpty()) return;
    if (std::FILE* file = win::openFile(fileName, "wb")) {
        std::fwrite(CursorData.constData(), 1, static_cast<size_t>(CursorData.size()), file);
        std::fclose(file);
    }
}
