#pragma once

#include "PdfRewrite.h"

#include <string>
#include <string_view>

// What the signer promises for every host document, as the fuzz target and the tests hold it to: a
// document it calls signed is sound, passes qpdf's check wherever its source did, keeps every byte
// before the control line, has the signature block where the control line stood and on the page
// that drew it, and resolves every object to the same one as the source, but for the signed
// stream's data and length and the two values of the document information. A document it refuses
// comes with a message. A source that qpdf finds sound, whose streams but its images all decode, and
// that is laid out as the host lays it out is always signed.

// Whether the source is laid out as the host writes it, read strictly: the control line and its three
// lines closing the stream, then only plain objects numbered on from the stream's Length object, one
// table whose entries each lead to their object's header, one trailer and its startxref.
bool FollowsHostLayout(std::string_view source);

// The first broken promise, empty when all were kept.
std::string BrokenPromise(std::string_view source, const PdfSignResult& result);
