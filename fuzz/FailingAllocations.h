// Allocation failures for payload_fuzzer, as the 32-bit stub may meet them when its address space runs short.
#pragma once

// From now on the library's C allocation number `first` fails (counted from this call), and with `onwards` every
// one after it too.
void FailAllocations(unsigned first, bool onwards);
void StopFailingAllocations();
