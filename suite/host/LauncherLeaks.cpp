// Leak reports a sanitizer build of the launcher should not raise: the font library keeps font
// patterns in caches for the life of the process (reached from its own structures that it
// never frees), which the leak checker cannot tell from lost memory. Without the sanitizer
// nothing calls this.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
