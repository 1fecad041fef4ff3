// Loads fine, but offers nothing a host looks for.
extern "C" __attribute__((visibility("default"))) int NotAnEntry() { return 42; }
