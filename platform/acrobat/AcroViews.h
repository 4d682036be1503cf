#pragma once

// Every document view of the process, so that the application object can close them all.
namespace acrobat {
void closeAllViews();
}
