// Leak reports the sanitizer build should not raise: the font library keeps font patterns in
// caches for the life of the process (they are reached from its own structures that it never
// frees), which the leak checker cannot tell from lost memory.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
