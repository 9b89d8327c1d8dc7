// A stand-in audio bridge for AudioDrive's tests: counts the calls of its
// entries. Built twice: with both entries, and (KESTRA_TEST_BRIDGE_START_ONLY)
// with KestraMIC_Start alone.
extern "C" {
__attribute__((visibility("default"))) int startCalls = 0;
__attribute__((visibility("default"))) int stopCalls = 0;

__attribute__((visibility("default"))) void KestraMIC_Start() {
    ++startCalls;
}
#ifndef KESTRA_TEST_BRIDGE_START_ONLY
__attribute__((visibility("default"))) void KestraMIC_Stop() {
    ++stopCalls;
}
#endif
}
