#pragma once

// The PDF application's automation objects, shown and printed through Qt Pdf.
#include "AcroAVDoc.h"
#include "AcroApp.h"
#include "AcroFactory.h"
#include "AcroPDDoc.h"
#include "AcroRect.h"
