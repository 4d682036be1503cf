#pragma once

#include "AcroPDDoc.h"
#include "AcroRect.h"

#include <QPdfDocument>
#include <QPdfView>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <string>

class QWidget;

// The document view: one PDF at a time, drawn inside a window of the program.
class CAcroAVDoc {
public:
    enum DispatchId {
        DispidGetPDDoc = 2,
        DispidClose = 6,
        DispidPrintPages = 8,
        DispidSetFrame = 17,
        DispidGetFrame = 18,
        DispidOpenInWindowEx = 20,
    };

    CAcroAVDoc();
    virtual ~CAcroAVDoc();
    CAcroAVDoc(const CAcroAVDoc&) = delete;
    CAcroAVDoc& operator=(const CAcroAVDoc&) = delete;

    // Opens the file (a Windows path) in a view that fills the window; 0 when the file cannot be read
    // as a PDF, and then no view is left. The flags, page, zoom and position are taken and not used:
    // the view shows every page, fitted to its width.
    virtual short OpenInWindowEx(const std::wstring& path, QWidget* window, std::int32_t openFlags,
                                 std::int32_t useOpenParams, std::int32_t pageNumber, short pageMode, short zoomType,
                                 std::int32_t zoom, short top, short left);
    // Closes the document shown; noSave is taken as given, nothing is ever saved.
    virtual bool Close(std::int32_t noSave);
    // The frame of the open view, or nothing when none is open.
    virtual std::unique_ptr<CAcroRect> GetFrame();
    virtual bool SetFrame(const CAcroRect& frame);
    // The document object of the open view, or nothing when none is open.
    virtual std::unique_ptr<CAcroPDDoc> GetPDDoc();
    // Prints the pages first to last (from 0) on the system's default printer, each page shrunk to
    // the sheet when it is larger; the PostScript level, binary and shrink arguments are taken as given.
    virtual bool PrintPages(std::int32_t firstPage, std::int32_t lastPage, std::int32_t psLevel, std::int32_t binaryOk,
                            std::int32_t shrinkToFit);

    // The view widget while a document is open.
    QPdfView* view() const { return m_view; }

private:
    QPointer<QPdfView> m_view;                // its window may take it down first
    std::unique_ptr<QPdfDocument> m_document; // outlives the view that shows it
    std::string m_title;
};
