#include "Device.h"

#include "PrinterDevice.h"

namespace print {

namespace {
Device* installed = nullptr;
} // namespace

Device& device() {
    if (installed) return *installed;
    static PrinterDevice machine;
    return machine;
}

Device* swapDevice(Device* device) {
    Device* previous = installed;
    installed = device;
    return previous;
}

} // namespace print
