#pragma once

#include <string>

// The station's one shared state record. Every unit reads and writes it directly on the GUI thread.
// Members stand in the documented order; text is std::string holding bytes, as on the wire.
struct _globals {
    char ReplyLine[20481] = {};     // last host line, at most 20480 characters and a NUL
    std::string ProgramDir;         // installation directory (registry "Dir")
    std::string TempDir;            // ProgramDir + "\Temp"
    std::string AnnounceWavePath;   // ProgramDir + "\Announce.wav"
    std::string DocumentPrinter;    // printer chosen by the "C:" description; empty: the current one
    std::string LocalAddress;       // local address of the line connection
    int SignatureBoxX = 0;          // from the "%SRP" reply line
    int SignatureBoxY = 0;
    bool HostSideSigning = false;   // the host merges the strokes itself
    std::string HostSignaturePath;  // host path of the uploaded stroke file
    bool PadMessageEnabled = false; // an "O:" line follows
    std::string PadMessageText;
    int ImageFormatCode = 0;        // 0: strokes into the PDF; 1 to 9: a signature image of that kind
    int ImageHeight = 0;
    std::string ImageTargetPath;
    std::string WindowsDir;
    std::string DefaultPrinter;     // from "win.ini"; "NONE" when none is set there

    // Settings: the values of "tablet.ini"
    int HotSpotOffsetX = 0;
    int HotSpotOffsetY = 0;
    bool DisplayPdf = false;
    bool TextBold = false;
    int TextSize = 0;
    bool AskForPrinter = false;
    int TopMargin = 0;
    int LeftMargin = 0;
    int LinesPerPage = 0;

    std::string WelcomeText;        // first line of "welcome.txt"
    int ExtensionCount = 0;         // -1 until the host has sent the table since start

    // RequestOptions
    char ExtensionTable[99][4] = {};
    bool ResultToHost = false;
    bool FetchTextFlag = false;
    bool FetchPdfFlag = false;
    bool OverwriteTarget = false;
    bool Unattended = false;
    bool SilentSave = false;
    bool ConfirmPrint = false;

    int PrintMode = 0;
    int PrintCopies = 0;
    bool OpenAfterSave = false;
    bool TextMode = false;
    bool MonoMessages = false;      // settings, [MONO] MESSAGES
    bool MonoPrompt = false;        // settings, [MONO] PROMPT
    int ApprovalLineCount = 0;
    bool ApprovalPassed = false;
    bool ApprovalShowing = false;
    std::string ApprovalLines[3];
    bool DocumentSigned = false;
    bool CloseWithoutAsking = false;
    bool SigningActive = false;
    bool AcrobatLoaded = false;
    std::string HostTextPath;
    std::string HostDocumentPath;
    std::string TargetPath;
    std::string SourceTextPath;
    std::string UnsignedPdfPath;
    std::string SignedPdfPath;
    bool UseComputerName = false;
    std::string HostAddress;
    bool TabletPresent = false;
    int LcdTablet = 0;
};

extern _globals globals;

// Puts the record back as it is before start-up code runs; for tests that run the station in-process.
void ResetGlobals();
