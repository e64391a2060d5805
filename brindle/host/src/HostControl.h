// What a program embedding the headless host controls beyond the SDK:
// heap failures for tests and the record of host calls.
#pragma once

namespace brindle::host {

// The next `count` host-heap allocations fail (return null); 0 ends it.
void FailNextHeapAllocations(int count);
// Host-heap blocks allocated and not yet freed.
long LiveHeapBlocks();
// How often modules switched to the language-pack locale.
int LanguagePackLocaleCalls();

}  // namespace brindle::host
