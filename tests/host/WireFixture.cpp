#include "WireFixture.h"

#include "station/Socket_io.h"

#include <filesystem>
#include <fstream>
#include <sstream>

bool WireFixture::connectLine() { return ConnectClientSocket("127.0.0.1", host->linePort()); }

void WireFixture::openLine()
{
    ASSERT_TRUE(connectLine());
    ASSERT_TRUE(ReadReplyLine());
    ASSERT_STREQ(globals.ReplyLine, "+TBUS");
}

std::string WireFixture::hostFile(const std::string& hostPath) const { return host->storedFile(hostPath).value_or(""); }

void WireFixture::writeHostFile(const std::string& hostPath, const std::string& bytes) const
{
    const std::filesystem::path path = host->localPath(hostPath);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}
