#include "RoadFixture.h"

#include "host/PcRequest.h"
#include "net/Sockets.h"
#include "signing/Adobe_form.h"
#include "sigplus/SigPlus.h"
#include "station/Config_form.h"
#include "station/Forms.h"
#include "station/Globals.h"
#include "win/System.h"

#include <QTcpServer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using testing_support::freePort;

void RoadFixture::SetUp()
{
    ResetGlobals();
    ui::setScreenCursor(ui::Cursor::Default);
    win::setComputerName("PC1");
    install.write("C:\\Stylara\\tablet.ini", "[PDF]\r\nDISPLAY=1\r\n");
    host = std::make_unique<host::HostSimulator>(hostFolder.path().toStdString());
    pcPort = freePort();
    setenv("STYLARA_PC_PORT", std::to_string(pcPort).c_str(), 1);
    setenv("STYLARA_HOST_PORT", std::to_string(host->linePort()).c_str(), 1);
    setenv("STYLARA_FILE_PORT", std::to_string(host->filePort()).c_str(), 1);
    print::resetPrinter();
    print::setInstalledPrinters(std::vector<std::string>{"Laser A", "Laser B"});
    writeHostFile("/usr/docs/inv100.pdf", hostPdf);
    writeHostFile("/usr/docs/inv100.txt", "INVOICE 100\r\nTotal due: $125.40\r\n");
    CreateForms();
    ASSERT_TRUE(form_config->ServerSocket->Active());
    // Connected after the dispatcher, so it counts requests that have been dealt with.
    QObject::connect(form_config->ServerSocket, &net::ServerSocket::ClientRead, form_config, [this] { ++dispatched; });
    boxes.clear();
}

void RoadFixture::TearDown()
{
    boxes.onBox = nullptr;
    DestroyForms();
    print::setInstalledPrinters(std::nullopt);
    print::resetPrinter();
    win::setComputerName(std::nullopt);
    unsetenv("STYLARA_PC_PORT");
    unsetenv("STYLARA_HOST_PORT");
    unsetenv("STYLARA_FILE_PORT");
}

void RoadFixture::request(const std::string& text)
{
    const int before = dispatched;
    ASSERT_TRUE(host::sendRequest("127.0.0.1", pcPort, text));
    ASSERT_TRUE(testing_support::waitUntil([&] { return dispatched > before; })) << text;
}

void RoadFixture::serve(const host::Handshake& handshake) { host->script("TBRR", handshake.responder()); }

void RoadFixture::serveLines(const std::vector<std::string>& lines, host::End end)
{
    host->script("TBRR", host::lines(lines, end));
}

void RoadFixture::writeHostFile(const std::string& hostPath, const std::string& bytes) const
{
    const std::filesystem::path path = host->localPath(hostPath);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> RoadFixture::lineTraffic() const
{
    std::vector<std::string> traffic;
    for (const host::ConnectionRecord& record : host->connections(host::Service::Line))
        traffic.push_back(record.received);
    return traffic;
}

std::vector<std::string> RoadFixture::fileCommands() const
{
    std::vector<std::string> commands;
    for (const host::ConnectionRecord& record : host->connections(host::Service::File))
        commands.push_back(record.received.substr(0, record.received.find('\n') + 1));
    return commands;
}

std::vector<std::string> RoadFixture::tempFiles() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(install.native("C:\\Stylara\\Temp")))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void RoadFixture::expectPadScreen(const std::string& picture, const std::string& id) const
{
    const QImage actual = form_adobe->SigPlus1->lcd().image().convertToFormat(QImage::Format_RGB32);
    const QImage expected = QImage(QString::fromStdString(std::string(STYLARA_TEST_DATA) + "/" + picture))
                                .convertToFormat(QImage::Format_RGB32);
    if (actual != expected) {
        const std::string saved = std::string(STYLARA_BUILD_DIR) + "/tests/station/" + picture;
        actual.save(QString::fromStdString(saved));
        ADD_FAILURE() << id << ": the LCD differs from " << picture << "; it is saved as " << saved;
    }
}
