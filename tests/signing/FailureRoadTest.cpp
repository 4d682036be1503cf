// A result that cannot be produced or delivered leaves the document unsigned, the window open and
// the host's lock in place.
#include "SigningRoadFixture.h"

#include <functional>

namespace {

class FailedSigning : public SigningRoad {};

} // namespace

TEST_F(FailedSigning, WindowStaysOpenUnsignedWithTheLockKept)
{
    struct Row {
        const char* id;
        std::function<void()> request;
        std::vector<std::string> boxes;
        bool imageMode;
        bool padReset; // the pad was reset before the failure
    };
    const std::string tempImage = "C:\\Stylara\\Temp\\isign.tif";
    const Row rows[] = {
        {"image store on the host refused",
         [this] {
             imageRequest(2, "/usr/images/sig0001.tif");
             globals.ResultToHost = true;
             host->refuse(host::Service::File, true);
         },
         {"Error connecting to 127.0.0.1"},
         true,
         false},
        {"image copy refused",
         [this] {
             imageRequest(2, "C:\\Images\\sig0001.tif");
             std::filesystem::create_directories(install.native("C:\\Images\\sig0001.tif"));
         },
         {"Unable to save signature image to Windows!"},
         true,
         false},
        {"image code 1 that could not be written",
         [this, &tempImage] {
             imageRequest(1, "C:\\Images\\sig0001.tif");
             // Nothing can be written in the temporary image's place.
             std::filesystem::create_directories(install.native(tempImage));
         },
         {"Error while compressing TIFF!", "Unable to save signature image to Windows!"},
         true,
         false},
        {"PDF without its control line",
         [this] {
             pdfRequest();
             globals.Unattended = true;
         },
         {"Control data missing in PDF file.  Document already signed?"},
         false,
         false},
        {"signed PDF cannot be shown",
         [this] {
             pdfRequest();
             globals.SilentSave = true;
             refuseSignedView = true;
         },
         {"Acrobat could not open the file: C:\\Stylara\\Temp\\signed.pdf"},
         false,
         true},
    };
    for (const Row& row : rows) {
        install.write("C:\\Images\\sig0001.nvk", "");
        install.write("C:\\Docs\\Inv100.nvk", "");
        row.request();
        const size_t sounded = sounds.played().size();
        host::PdfOptions pdf;
        pdf.controlLine = row.boxes[0].rfind("Control data missing", 0) != 0;
        beginSigning(pdf);
        sign();
        touchOk();

        EXPECT_EQ(boxes.texts(), row.boxes) << row.id;
        for (const ui::Box& box : boxes.boxes())
            EXPECT_EQ(box.icon(), "error") << row.id;
        EXPECT_TRUE(form_adobe->isVisible()) << row.id;
        EXPECT_FALSE(globals.DocumentSigned) << row.id;
        EXPECT_FALSE(form_adobe->but_save->isEnabled()) << row.id;
        EXPECT_EQ(form_adobe->lab_status->text().toStdString(), "") << row.id;
        EXPECT_TRUE(lcdBlank()) << row.id;
        EXPECT_TRUE(install.exists("C:\\Images\\sig0001.nvk")) << row.id;
        EXPECT_TRUE(install.exists("C:\\Docs\\Inv100.nvk")) << row.id;
        EXPECT_EQ(hostReceived(host::Service::Line).find("TBDL"), std::string::npos) << row.id;
        EXPECT_FALSE(install.exists("C:\\Docs\\Inv100.pdf")) << row.id << ": nothing saved";
        EXPECT_EQ(sounds.played().size(), sounded) << row.id;
        EXPECT_FALSE(install.exists(tempImage) && !std::filesystem::is_directory(install.native(tempImage)))
            << row.id << ": no temporary image left";
        if (row.imageMode) {
            EXPECT_EQ(pad().TabletState, 0) << row.id;
        }
        EXPECT_EQ(pad().NumberOfTabletPoints() > 0, !row.padReset) << row.id << ": the points are still there";

        globals.CloseWithoutAsking = true;
        form_adobe->Close();
        host->refuse(host::Service::File, false);
        refuseSignedView = false;
        std::filesystem::remove_all(install.native("C:\\Images"));
        std::filesystem::remove_all(install.native(tempImage));
    }
}
