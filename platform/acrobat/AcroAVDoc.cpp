#include "AcroAVDoc.h"

#include "AcroViews.h"
#include "print/Device.h"
#include "print/Printer.h"
#include "win/CodePage.h"
#include "win/WinPath.h"

#include <QFileInfo>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfView>

#include <algorithm>
#include <vector>

namespace {
// A view may be destroyed by another file's static at exit, after this file's statics are gone, so the
// list is made on first use and never destroyed.
std::vector<CAcroAVDoc*>& views() {
    static auto* const list = new std::vector<CAcroAVDoc*>;
    return *list;
}

// Pages are rendered for the printer at this resolution and scaled onto the sheet; finer would only
// grow the spool data.
constexpr double renderDpi = 300;
constexpr double sheetDpi = 600;
} // namespace

void acrobat::closeAllViews() {
    for (CAcroAVDoc* view : views())
        view->CAcroAVDoc::Close(1);
}

CAcroAVDoc::CAcroAVDoc() {
    views().push_back(this);
}

CAcroAVDoc::~CAcroAVDoc() {
    CAcroAVDoc::Close(1);
    std::erase(views(), this);
}

short CAcroAVDoc::OpenInWindowEx(const std::wstring& path, QWidget* window, std::int32_t /*openFlags*/,
                                 std::int32_t /*useOpenParams*/, std::int32_t /*pageNumber*/, short /*pageMode*/,
                                 short /*zoomType*/, std::int32_t /*zoom*/, short /*top*/, short /*left*/) {
    CAcroAVDoc::Close(1);
    if (!window) return 0;
    const std::string windowsPath = win::ansiFromWide(path);
    const QString file = QString::fromStdString(win::nativePath(windowsPath));
    auto document = std::make_unique<QPdfDocument>();
    if (document->load(file) != QPdfDocument::Error::None || document->pageCount() < 1) return 0;
    auto* view = new QPdfView(window);
    view->setDocument(document.get());
    view->setPageMode(QPdfView::PageMode::MultiPage);
    view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    view->setGeometry(window->rect());
    view->show();
    m_view = view;
    m_document = std::move(document);
    m_title = QFileInfo(file).fileName().toLocal8Bit().toStdString();
    return 1;
}

bool CAcroAVDoc::Close(std::int32_t /*noSave*/) {
    if (!m_document) return false;
    delete m_view.data();
    m_view = nullptr;
    m_document.reset();
    return true;
}

std::unique_ptr<CAcroRect> CAcroAVDoc::GetFrame() {
    if (!m_view) return nullptr;
    const QRect frame = m_view->geometry();
    auto rect = std::make_unique<CAcroRect>();
    rect->Left = static_cast<short>(frame.left());
    rect->Top = static_cast<short>(frame.top());
    rect->right = static_cast<short>(frame.left() + frame.width());
    rect->bottom = static_cast<short>(frame.top() + frame.height());
    return rect;
}

bool CAcroAVDoc::SetFrame(const CAcroRect& frame) {
    if (!m_view) return false;
    m_view->setGeometry(frame.Left, frame.Top, frame.right - frame.Left, frame.bottom - frame.Top);
    return true;
}

std::unique_ptr<CAcroPDDoc> CAcroAVDoc::GetPDDoc() {
    if (!m_document) return nullptr;
    return std::make_unique<CAcroPDDoc>(m_document.get());
}

bool CAcroAVDoc::PrintPages(std::int32_t firstPage, std::int32_t lastPage, std::int32_t /*psLevel*/,
                            std::int32_t /*binaryOk*/, std::int32_t /*shrinkToFit*/) {
    if (!m_document) return false;
    const int first = std::max(0, static_cast<int>(firstPage));
    const int last = std::min(m_document->pageCount() - 1, static_cast<int>(lastPage));
    if (first > last) return false;
    // The application prints on its own printer object: the default printer, one copy, whatever the
    // program chose for its text printing.
    print::Printer job;
    job.title = m_title;
    job.beginDoc();
    for (int page = first; page <= last; ++page) {
        if (page > first) job.newPage();
        const QSizeF points = m_document->pagePointSize(page);
        const QSize pixels = (points * renderDpi / 72).toSize();
        // The page comes transparent where nothing is drawn; on paper that is white.
        QImage image(pixels, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter(&image).drawImage(0, 0, m_document->render(page, pixels));
        const QRect sheet = job.jobDevice().pageRect();
        QSizeF size = points * sheetDpi / 72;
        if (size.width() > sheet.width() || size.height() > sheet.height())
            size.scale(sheet.size(), Qt::KeepAspectRatio);
        const QRect target(sheet.left() + (sheet.width() - qRound(size.width())) / 2, sheet.top(), qRound(size.width()),
                           qRound(size.height()));
        job.canvas().stretchDraw(target, image);
    }
    job.endDoc();
    return true;
}
