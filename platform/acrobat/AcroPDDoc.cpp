#include "AcroPDDoc.h"

#include <QPdfDocument>

long CAcroPDDoc::GetNumPages() {
    return m_document ? m_document->pageCount() : 0;
}

bool CAcroPDDoc::Close() {
    m_document = nullptr;
    return true;
}
