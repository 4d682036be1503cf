#include "ViewerFixture.h"

#include "host/PcRequest.h"
#include "viewer/Forms.h"
#include "win/System.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

void ViewerFixture::SetUp()
{
    ResetGlobals();
    ui::setScreenCursor(ui::Cursor::Default);
    print::resetPrinter();
    print::setInstalledPrinters(std::vector<std::string>{"Laser A", "Zeta Laser", "Alpha Laser"});
    win::setComputerName("VIEWPC");
    host = std::make_unique<host::HostSimulator>(hostFolder.path().toStdString());
    pcPort = testing_support::freePort();
    setenv("STYLARA_PC_PORT", std::to_string(pcPort).c_str(), 1);
    setenv("STYLARA_HOST_PORT", std::to_string(host->linePort()).c_str(), 1);
    setenv("STYLARA_FILE_PORT", std::to_string(host->filePort()).c_str(), 1);
    CreateForms();
    ASSERT_NE(form_config, nullptr);
    ASSERT_TRUE(form_config->ServerSocket->Active());
    boxes.clear();
}

void ViewerFixture::TearDown()
{
    DestroyForms();
    unsetenv("STYLARA_PC_PORT");
    unsetenv("STYLARA_HOST_PORT");
    unsetenv("STYLARA_FILE_PORT");
    win::setComputerName(std::nullopt);
    print::setInstalledPrinters(std::nullopt);
    print::resetPrinter();
}

host::Handshake ViewerFixture::printJob()
{
    host::Handshake handshake;
    handshake.m.mode = '2';
    handshake.m.textMode = true;
    handshake.m.printCopies = 1;
    handshake.textPath = "/usr/docs/inv100.txt";
    return handshake;
}

void ViewerFixture::writeHostFile(const std::string& hostPath, const std::string& bytes) const
{
    const std::filesystem::path path = host->localPath(hostPath);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ViewerFixture::lineReceived() const
{
    const size_t count = host->connections(host::Service::Line).size();
    if (count == 0 || !host->waitForEnded(host::Service::Line, count))
        return "(no line connection ended)";
    return host->connections(host::Service::Line).back().received;
}

std::vector<std::string> ViewerFixture::fileCommands() const
{
    std::vector<std::string> commands;
    for (const host::ConnectionRecord& record : host->connections(host::Service::File))
        commands.push_back(record.received);
    return commands;
}

bool ViewerFixture::sendRequest(const std::string& text, const std::function<bool()>& handled)
{
    return host::sendRequest("127.0.0.1", pcPort, text) && testing_support::waitUntil(handled);
}

std::vector<std::string> ViewerFixture::boxLines() const
{
    std::vector<std::string> lines;
    for (const ui::Box& box : boxes.boxes())
        lines.push_back(box.caption + " | " + box.text);
    return lines;
}
