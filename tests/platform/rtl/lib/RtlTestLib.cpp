// A small library that the dynamic-library tests load. It links nothing of the runtime.

extern "C" {

__attribute__((visibility("default"))) int RtlTestAdd(int a, int b) {
  return a + b;
}

// A fixed text, to see that a call reaches this library and not another copy of a symbol.
__attribute__((visibility("default"))) const char* RtlTestName() {
  return "RtlTestLib";
}

// Counts calls; each loaded copy of the library has its own counter.
__attribute__((visibility("default"))) int RtlTestNextCount() {
  static int count = 0;
  return ++count;
}
}
