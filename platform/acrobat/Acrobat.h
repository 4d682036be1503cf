#pragma once

// The PDF application's automation objects. This first cut holds only what the station's shutdown
// calls; the document view over Qt Pdf replaces it.
class CAcroApp {
public:
    enum DispatchId { DispidExit = 1, DispidCloseAllDocs = 4 };
    virtual ~CAcroApp() = default;
    virtual bool CloseAllDocs() { return true; }
    virtual bool Exit() { return true; }
};
