#pragma once

#include <QPdfDocument>
#include <QPointer>

// The PDF document object of an open view: its page count. It refers to the view's document and
// never outlives it in effect: once the view closes it answers as an empty document.
class CAcroPDDoc {
public:
    enum DispatchId { DispidClose = 2, DispidGetNumPages = 6 };

    explicit CAcroPDDoc(QPdfDocument* document) : m_document(document) {}
    virtual ~CAcroPDDoc() = default;

    virtual long GetNumPages();
    // Lets go of the document; the view keeps showing it.
    virtual bool Close();

private:
    QPointer<QPdfDocument> m_document;
};
